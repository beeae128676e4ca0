#include "core/Tevra.h"

#include <gtest/gtest.h>

#include "core/WindowAmplitudes.h"

#include <cmath>
#include <vector>

namespace tevra {
namespace {

// Counts computations and remembers the window each one saw.
class CountingCalculator : public Tevra_Base {
 public:
  int Computations = 0;
  TAccelSample NewestSeen;
  const std::vector<TAccelSample>& Window() const { return window_; }

 protected:
  double Compute() override {
    ++Computations;
    NewestSeen = window_[N - 1];
    return result_ = 1.25;
  }
};

std::vector<TAccelSample> Numbered(int count, int first = 1) {
  std::vector<TAccelSample> v;
  for (int i = 0; i < count; ++i) v.push_back({double(first + i), 0, 0});
  return v;
}

TEST(TevraBlocks, ComputesOncePerFiftySamplesWhateverTheBatchSizes) {
  CountingCalculator c;
  auto first = Numbered(49);
  EXPECT_EQ(c.AddSamples(first.data(), 49), 0);
  EXPECT_EQ(c.Computations, 0);
  EXPECT_EQ(c.GetIntensity(), 0.0);
  auto one = Numbered(1, 50);
  EXPECT_EQ(c.AddSamples(one.data(), 1), 1);
  EXPECT_EQ(c.Computations, 1);
  EXPECT_EQ(c.NewestSeen.X, 50);
  EXPECT_EQ(c.Window()[Tevra_Base::N - 50].X, 1);

  auto batch = Numbered(120, 51);
  EXPECT_EQ(c.AddSamples(batch.data(), 120), 1);
  EXPECT_EQ(c.Computations, 3);
  EXPECT_EQ(c.NewestSeen.X, 150);  // 20 samples wait in the block
  EXPECT_EQ(c.AddSamples(nullptr, 0), 0);
  EXPECT_EQ(c.GetIntensity(), 0.0);  // every call clears the result
  auto rest = Numbered(30, 171);
  EXPECT_EQ(c.AddSamples(rest.data(), 30), 1);
  EXPECT_EQ(c.NewestSeen.X, 200);
  // The window keeps arrival order, oldest first.
  for (int i = 0; i < 200; ++i) EXPECT_EQ(c.Window()[Tevra_Base::N - 200 + i].X, i + 1);
  EXPECT_EQ(c.Window()[0].X, 0);
}

TEST(TevraHistogram, ThresholdIsTheLowerEdgeOfTheBinReachedForThirtySamples) {
  std::vector<double> amplitudes(2048, 0.0);
  for (int i = 0; i < 30; ++i) amplitudes[100 + i] = 8.0;
  EXPECT_DOUBLE_EQ(ThresholdAmplitude(amplitudes.data(), 2048, 8.0, 30), 0.99975 * 8.0);

  amplitudes[100] = 4.0;  // now only 29 share the peak; the 30th is at half of it
  EXPECT_DOUBLE_EQ(ThresholdAmplitude(amplitudes.data(), 2048, 8.0, 30), 2000 * 8.0 * 0.00025);

  std::vector<double> single(2048, 0.0);
  single[5] = 3.0;  // one sample alone never lasts 0.3 s
  EXPECT_EQ(ThresholdAmplitude(single.data(), 2048, 3.0, 30), 0.0);

  std::vector<double> broken(2048, 1.0);
  broken[0] = NAN;
  broken[1] = INFINITY;
  EXPECT_DOUBLE_EQ(ThresholdAmplitude(broken.data(), 2048, 1.0, 30), 0.99975);
}

TEST(TevraRounding, HalvesGoAwayFromZero) {
  EXPECT_DOUBLE_EQ(RoundTo(0.125, 2), 0.13);
  EXPECT_DOUBLE_EQ(RoundTo(2.5, 0), 3.0);
  EXPECT_DOUBLE_EQ(RoundTo(-2.5, 0), -3.0);
  EXPECT_DOUBLE_EQ(RoundTo(4.4649, 2), 4.46);
  EXPECT_DOUBLE_EQ(RoundTo(-0.004, 2), -0.0);
  EXPECT_DOUBLE_EQ(Magnitude({3, 4, 12}), 13.0);
}

// A tone at bin k on X with its quadrature on Y: the filtered vector amplitude is the same at
// every position, so the 0.3-s rule lands on the top bin.
std::vector<TAccelSample> Tone(int k, double amplitude, int count) {
  std::vector<TAccelSample> v(static_cast<std::size_t>(count));
  for (int n = 0; n < count; ++n) {
    const double phase = 2 * M_PI * k * n / 2048.0;
    v[n] = {amplitude * std::cos(phase), amplitude * std::sin(phase), 0.0};
  }
  return v;
}

double Feed(Tevra& t, const std::vector<TAccelSample>& samples) {
  double last = -1;
  for (std::size_t i = 0; i < samples.size(); i += 50) {
    if (t.AddSamples(samples.data() + i, 50) == 1) last = t.GetIntensity();
  }
  return last;
}

TEST(TevraIntensity, TheUpdateBlockRemovesTheBaselineItHasJustLearned) {
  std::vector<double> gain(2048);
  BuildGainTable(2048, 0.01, gain.data());
  for (int k : {20, 41, 205}) {
    for (double amplitude : {5.0, 50.0, 400.0}) {
      // The baseline before the update, as a share of the tone's bin modulus m = 1024 amplitude.
      for (double before : {0.0, 0.5}) {
        Tevra t{std::string()};
        for (auto& b : t.Baseline()) b = {before * 1024 * amplitude, before * 1024 * amplitude, 0.0};
        // 2050 samples: the 41st block is the first after more than 2048, so it learns, on a window
        // full of the tone, a tenth of every bin, and must remove what it has just learned.
        const double intensity = Feed(t, Tone(k, amplitude, 2050));
        const double learned = 0.1 + 0.9 * before;
        EXPECT_EQ(t.BaselineUpdateDue, 0);
        EXPECT_NEAR(t.Baseline()[k].X, learned * 1024 * amplitude, 1e-6 * amplitude);
        const double a = 0.99975 * (1 - learned * learned) * amplitude * gain[k];
        EXPECT_NEAR(intensity, RoundTo(2 * std::log10(a) + 0.94, 2), 0.0051) << k << " " << amplitude;
      }
    }
  }
}

TEST(TevraIntensity, TheFigureIsTheLevelReachedByThirtySamples) {
  // Equal tones on 64 neighbouring bins, each raised by the inverse of its filter gain, cosines on
  // X and sines on Y: the filtered vector amplitude is a Dirichlet kernel |sin(64 x) / sin(x)|.
  // Its peak lies a quarter sample off a sample, so the samples around it are 0.25, 0.75, 1.25 ...
  // samples away, each level held by one: the 30th highest is 14.75 away.
  std::vector<double> gain(2048);
  BuildGainTable(2048, 0.01, gain.data());
  const int bins = 64, first = 20;
  const double centre = 1000.25;
  const double each = 1.5;  // gal per tone after filtering
  std::vector<TAccelSample> samples(2050);
  for (int n = 0; n < 2050; ++n) {
    for (int k = first; k < first + bins; ++k) {
      const double phase = 2 * M_PI * k * (n - centre) / 2048.0;
      samples[n].X += each / gain[k] * std::cos(phase);
      samples[n].Y += each / gain[k] * std::sin(phase);
    }
  }
  Tevra t{std::string()};
  const double intensity = Feed(t, samples);  // the update keeps 0.99 of every bin
  const double x = M_PI * 14.75 / 2048.0;
  const double level = 0.99 * each * std::sin(bins * x) / std::sin(x);
  EXPECT_NEAR(intensity, RoundTo(2 * std::log10(level) + 0.94, 2), 0.0051);
}

TEST(TevraBaseline, TheUpdateIsDueAfterMoreThanAWindowCountedFromZeroAgain) {
  // Silence never reaches the histogram, so a due update stays visible; one spike clears it.
  const struct {
    int Count;
    double Value;
    int Due;
  } steps[] = {
      {2048, 0.0, 0}, {1, 0.0, 1},     // after more than 2048, not 2048 or more
      {1, 100.0, 0},                   // the spike completes a block: learned, cleared
      {2046, 0.0, 0}, {1, 0.0, 0},     // the count restarted at 0: the one over was dropped
      {1, 0.0, 1},
  };
  Tevra t{std::string()};
  int step = 0;
  for (const auto& s : steps) {
    const std::vector<TAccelSample> samples(static_cast<std::size_t>(s.Count), TAccelSample{s.Value, 0, 0});
    t.AddSamples(samples.data(), s.Count);
    EXPECT_EQ(t.BaselineUpdateDue, s.Due) << "step " << step++;
  }
}

TEST(TevraIntensity, ScalingTheInputRaisesTheFigureByTwoLogTwo) {
  Tevra once{std::string()};
  Tevra twice{std::string()};
  auto samples = Tone(30, 20.0, 2000);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i].Z = 7.0 * std::sin(0.05 * double(i * i % 997));
  auto doubled = samples;
  for (auto& s : doubled) s = {2 * s.X, 2 * s.Y, 2 * s.Z};
  const double a = Feed(once, samples);
  const double b = Feed(twice, doubled);
  EXPECT_NEAR(b - a, 2 * std::log10(2.0), 0.011);
}

TEST(TevraIntensity, SilenceConstantTiltAndAStrongBaselineGiveZero) {
  Tevra zero{std::string()};
  EXPECT_EQ(Feed(zero, std::vector<TAccelSample>(2500)), 0.0);
  // The update fell due on silent windows and waits for the first window with signal.
  EXPECT_EQ(zero.BaselineUpdateDue, 1);

  Tevra tilt{std::string()};
  EXPECT_EQ(Feed(tilt, std::vector<TAccelSample>(3000, TAccelSample{12.0, -3.0, 980.0})), 0.0);

  Tevra masked{std::string()};
  for (auto& b : masked.Baseline()) b = {1e12, 1e12, 1e12};
  EXPECT_EQ(Feed(masked, Tone(40, 300.0, 2000)), 0.0);

  Tevra tiny{std::string()};
  EXPECT_EQ(Feed(tiny, Tone(40, 0.05, 2000)), 0.0);  // below 0.339 gal the figure is floored at 0
}

TEST(TevraIntensity, AmplitudesBeyondWhatADoubleCarriesGiveNoFigureAndTeachNothing) {
  Tevra t{std::string()};
  EXPECT_TRUE(std::isnan(Feed(t, Tone(40, 1e154, 2100))));
  EXPECT_EQ(t.Baseline()[40].X, 0.0);
  EXPECT_EQ(t.BaselineUpdateDue, 1);
}

TEST(TevraBaseline, ResetKeepsEntryZeroAndLearningMovesTenPercent) {
  Tevra t{std::string()};
  for (auto& b : t.Baseline()) b = {1.0, 2.0, 3.0};
  t.ResetBaseline();
  EXPECT_EQ(t.Baseline()[0].Z, 3.0);
  for (int k = 1; k < 2048; ++k) ASSERT_EQ(t.Baseline()[k].X + t.Baseline()[k].Y + t.Baseline()[k].Z, 0.0);

  for (auto& b : t.Baseline()) b = {1000.0, 0.0, 0.0};
  Feed(t, Tone(100, 10.0, 2100));  // one update: (|S| + 9 b) / 10
  EXPECT_NEAR(t.Baseline()[100].X, (10240.0 + 9000.0) * 0.1, 1e-6);
  EXPECT_NEAR(t.Baseline()[500].X, 900.0, 1e-6);
  EXPECT_EQ(t.Baseline()[0].X, 1000.0);  // never learned
}

TEST(TevraState, ReadingTheWindowAndLearningStepsLeavesEveryFigureAsItWas) {
  // A tone at bin 41 with noise on every axis, through three learning steps. The sums were taken
  // before the window and the step count could be read; they must not move by a bit.
  std::vector<TAccelSample> v(6000);
  for (int n = 0; n < 6000; ++n) {
    const double phase = 2 * M_PI * 41 * n / 2048.0;
    v[n] = {30 * std::cos(phase) + 3 * std::sin(0.37 * n), 24 * std::sin(phase),
            7.0 * std::sin(0.05 * double(n * n % 997))};
  }
  Tevra t{std::string()};
  TWindowAmplitudes spectrum;
  double sum = 0.0;
  for (int i = 0; i < 6000; i += 50) {
    if (t.AddSamples(v.data() + i, 50) == 1) sum += t.GetIntensity();
    spectrum.Compute(t.NewestWindow());
  }
  double baseline = 0.0;
  for (const auto& b : t.Baseline()) baseline += b.X + 2 * b.Y + 3 * b.Z;
  EXPECT_EQ(sum, 0x1.aff333333332cp+8);
  EXPECT_EQ(baseline, 0x1.de21a759a9a86p+17);
  EXPECT_EQ(t.BaselineSteps(), 2);

  // The newest window's spectrum peaks at the tone's bin, 0.5 N of its amplitude per axis.
  const auto& a = spectrum.Amplitudes();
  ASSERT_EQ(a.size(), std::size_t(TWindowAmplitudes::Bins));
  const auto peak = std::max_element(a.begin() + 1, a.end(), [](auto& l, auto& r) { return l.Y < r.Y; });
  EXPECT_EQ(peak - a.begin(), 41);
  EXPECT_NEAR(a[41].Y, 1024 * 24.0, 1e-6);
  EXPECT_NEAR(TWindowAmplitudes::Frequency(41), 2.001953125, 1e-12);
}

TEST(IntensityClass, BoundsOfTheClassTable) {
  const struct {
    double value;
    const char* name;
  } rows[] = {{0.0, "０"},   {0.4, "０"},   {0.5, "１"},    {1.4, "１"},   {2.4, "２"},
              {3.0, "３"},   {4.4, "４"},   {4.45, "５弱"}, {4.9, "５弱"}, {5.0, "５強"},
              {5.4, "５強"}, {5.9, "６弱"}, {6.4, "６強"},  {6.5, "７"},   {9.0, "７"}};
  for (const auto& r : rows) EXPECT_STREQ(IntensityClassName(r.value), r.name) << r.value;
  EXPECT_STREQ(kIntensityClasses.back().Name, "７");
}

}  // namespace
}  // namespace tevra
