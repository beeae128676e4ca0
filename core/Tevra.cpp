#include "core/Tevra.h"

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/AtomicFile.h"

namespace tevra {

Tevra_Base::Tevra_Base() : transform_(WindowExponent), gain_(N), window_(N), filtered_(N), composite_(N) {
  BuildGainTable(N, SampleInterval, gain_.data());
}

int Tevra_Base::AddSamples(const TAccelSample* samples, int count) {
  ResultReady = 0;
  result_ = 0.0;
  int taken = 0;
  while (taken < count) {
    const int m = std::min(count - taken, BlockLength - blockFill_);
    std::memcpy(block_ + blockFill_, samples + taken, sizeof(TAccelSample) * static_cast<std::size_t>(m));
    blockFill_ += m;
    taken += m;
    if (blockFill_ == BlockLength) {
      std::memmove(window_.data(), window_.data() + BlockLength, sizeof(TAccelSample) * (N - BlockLength));
      std::memcpy(window_.data() + (N - BlockLength), block_, sizeof block_);
      blockFill_ = 0;
      Compute();
      ResultReady = 1;
    }
  }
  return ResultReady;
}

Tevra::Tevra() : Tevra(InWorkingDirectory(BaselineFileName)) {}

Tevra::Tevra(std::string baselinePath)
    : baselinePath_(std::move(baselinePath)), baseline_(N), axisScratch_(N) {
  if (!baselinePath_.empty()) LoadBaseline(baselinePath_, baseline_);
}

Tevra::~Tevra() {
  if (!baselinePath_.empty()) SaveBaseline(baselinePath_, baseline_);
}

int Tevra::AddSamples(const TAccelSample* samples, int count) {
  if (count > 0) sampleCounter_ += count;
  // More than one window of new data since the last update: fold the next spectrum into the baseline.
  if (sampleCounter_ > N) {
    sampleCounter_ = 0;
    BaselineUpdateDue = 1;
  }
  return Tevra_Base::AddSamples(samples, count);
}

void Tevra::ResetBaseline() {
  for (int k = 1; k < N; ++k) baseline_[k] = TAccelSample{};
}

bool Tevra::SaveBaselineAs(const std::string& fileName) const {
  return SaveBaseline(InWorkingDirectory(fileName), baseline_);
}

void Tevra::FilterAxis(double TAccelSample::*axis) {
  TComplexValue* s = transform_.Work();
  for (int k = 0; k < N; ++k) s[k] = {window_[k].*axis, 0.0};
  transform_.Transform(1);

  if (BaselineUpdateDue == 1) {
    for (int k = 1; k < N; ++k) {
      double& b = baseline_[k].*axis;
      b = (Modulus(s[k]) + 9.0 * b) * 0.1;
    }
  }
  // The axis's levels side by side, so the loop below reads plain arrays and vectorises.
  double* level = axisScratch_.data();
  for (int k = 0; k < N; ++k) level[k] = baseline_[k].*axis;

  // Background removal: the part of each bin's power that the site's steady vibration explains
  // is taken away; a bin at or below the background is cleared. Then the intensity filter.
  // A cleared bin becomes (±0, ±0), which no later step tells from (0, 0).
  double* __restrict v = &s[0].Re;
  const double* __restrict gain = gain_.data();
  v[0] *= gain[0];
  v[1] *= gain[0];
  for (int k = 1; k < N; ++k) {
    const double re = v[2 * k], im = v[2 * k + 1];
    const double m = std::sqrt(re * re + im * im);
    const double b = level[k];
    const double kept = (m * m - b * b) / (m * m);
    const double factor = b >= m ? 0.0 : kept;
    v[2 * k] = re * factor * gain[k];
    v[2 * k + 1] = im * factor * gain[k];
  }
  transform_.Transform(-1);
  for (int k = 0; k < N; ++k) level[k] = Modulus(s[k]);
  for (int k = 0; k < N; ++k) filtered_[k].*axis = level[k];
}

double Tevra::Compute() {
  // Amplitudes too large for a double through the transforms (about 1e150 gal and more) have no
  // figure: not a number, never a quiet 0. Every bin's power is at most N times the window's
  // energy; checked before the baseline could learn an overflowed spectrum.
  double energy = 0.0;
  for (const TAccelSample& s : window_) energy += s.X * s.X + s.Y * s.Y + s.Z * s.Z;
  if (!std::isfinite(energy * N)) {
    result_ = std::numeric_limits<double>::quiet_NaN();
    return result_;
  }
  if (BaselineUpdateDue == 1) ++baselineSteps_;
  FilterAxis(&TAccelSample::X);
  FilterAxis(&TAccelSample::Y);
  FilterAxis(&TAccelSample::Z);

  // The inverse transform is unnormalised: the factor N comes out here.
  double peak = 0.0;
  for (int k = 0; k < N; ++k) {
    composite_[k] = Magnitude(filtered_[k]) * (1.0 / N);
    if (composite_[k] > peak) peak = composite_[k];
  }
  if (!std::isfinite(peak)) {
    result_ = std::numeric_limits<double>::quiet_NaN();
    return result_;
  }
  if (peak == 0.0) {
    result_ = 0.0;
    return result_;
  }

  // The amplitude reached or exceeded for 0.3 s in all: 30 samples at 100 per second.
  const int durationCount = static_cast<int>(std::lround(0.3 / SampleInterval));
  const double a = ThresholdAmplitude(composite_.data(), N, peak, durationCount);
  double intensity = 2.0 * std::log10(a) + 0.94;
  if (!(intensity >= 0.0)) intensity = 0.0;
  result_ = RoundTo(intensity, 2);
  BaselineUpdateDue = 0;
  return result_;
}

double ThresholdAmplitude(const double* composite, int n, double peak, int durationCount) {
  std::array<int, 4001> bins{};
  for (int k = 0; k < n; ++k) {
    double q = 4000.0 * composite[k] / peak;
    if (!(q >= 0.0)) q = 0.0;  // a non-finite sample must not index outside the histogram
    if (q > 4000.0) q = 4000.0;
    ++bins[static_cast<std::size_t>(q)];
  }
  int i = 3999;
  for (; i > 0; --i) {
    bins[i] += bins[i + 1];
    if (bins[i] >= durationCount) break;
  }
  return i * peak * 0.00025;
}

}  // namespace tevra
