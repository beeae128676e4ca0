#include "core/LongPeriod.h"
#include "core/LongPeriodMeter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace tevra {
namespace {

constexpr double kPi = std::numbers::pi;

// |H| of the high-pass at a period, from its transfer function.
double HighPassGain(double periodSeconds) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * kLongPeriodStep / periodSeconds);
  const std::complex<double> num = (1.0 - z1) * (1.0 - z1);
  const std::complex<double> den = 1.0 + TLongPeriodHighPass::B1 * z1 + TLongPeriodHighPass::B2 * z1 * z1;
  return TLongPeriodHighPass::G0 * std::abs(num / den);
}

// Runge-Kutta with 200 sub-steps per sample on the linearly interpolated forcing.
void RungeKuttaStep(double w, double h, double f0, double f1, double& x, double& v) {
  constexpr int kSub = 200;
  const double dt = kLongPeriodStep / kSub;
  const auto acc = [&](double t, double xx, double vv) {
    const double f = f0 + (f1 - f0) * t / kLongPeriodStep;
    return -f - 2.0 * h * w * vv - w * w * xx;
  };
  for (int i = 0; i < kSub; ++i) {
    const double t = i * dt;
    const double k1x = v, k1v = acc(t, x, v);
    const double k2x = v + dt / 2 * k1v, k2v = acc(t + dt / 2, x + dt / 2 * k1x, v + dt / 2 * k1v);
    const double k3x = v + dt / 2 * k2v, k3v = acc(t + dt / 2, x + dt / 2 * k2x, v + dt / 2 * k2v);
    const double k4x = v + dt * k3v, k4v = acc(t + dt, x + dt * k3x, v + dt * k3v);
    x += dt / 6 * (k1x + 2 * k2x + 2 * k3x + k4x);
    v += dt / 6 * (k1v + 2 * k2v + 2 * k3v + k4v);
  }
}

// An irregular record: two swells and a short burst, different on each axis.
double Wave(int n, double phase) {
  const double t = n * kLongPeriodStep;
  return 3.0 * std::sin(2 * kPi * t / 5.3 + phase) + 1.5 * std::sin(2 * kPi * t / 2.1) * std::exp(-t / 4) +
         0.7 * std::cos(0.9 * t * t + phase) + 0.4;
}

TEST(LongPeriodResponse, AgreesWithRungeKuttaOnTheSameFilteredInput) {
  constexpr int kSamples = 1500;
  TLongPeriodResponse response;
  response.Start(0.0, 0.0);
  for (int n = 0; n < kSamples; ++n) response.Add(Wave(n, 0.0), Wave(n, 1.0));

  for (int k : {0, 12, 31}) {
    const double w = 2 * kPi / LongPeriodSeconds(k);
    TLongPeriodHighPass fx, fy;
    double x[2] = {}, v[2] = {}, vg[2] = {}, prev[2] = {}, peak = 0.0;
    for (int n = 0; n < kSamples; ++n) {
      const double f[2] = {fx.Add(Wave(n, 0.0)), fy.Add(Wave(n, 1.0))};
      for (int a = 0; a < 2; ++a) {
        if (n == 0) {
          v[a] = -f[a] * kLongPeriodStep;
        } else {
          RungeKuttaStep(w, kLongPeriodDamping, prev[a], f[a], x[a], v[a]);
          vg[a] += kLongPeriodStep * (prev[a] + f[a]) / 2;
        }
        prev[a] = f[a];
      }
      peak = std::max(peak, std::hypot(v[0] + vg[0], v[1] + vg[1]));
    }
    EXPECT_NEAR(response.PeakSva(k), peak, 1e-9 * peak) << "period " << LongPeriodSeconds(k);
  }
  EXPECT_EQ(response.Peak().Sva, response.PeakSva(response.Peak().Period));
}

TEST(LongPeriodHighPass, HasTheStatedGainsAndRemovesAPrimedOffset) {
  EXPECT_NEAR(HighPassGain(1e9), 0.0, 1e-12);
  EXPECT_NEAR(HighPassGain(7.8), 0.987, 0.001);
  EXPECT_NEAR(HighPassGain(19.5), std::sqrt(0.5), 0.01);
  // The streaming filter's steady amplitude at 7.8 s is the transfer function's.
  TLongPeriodHighPass filter;
  double peak = 0.0;
  for (int n = 0; n < 60000; ++n) {
    const double out = filter.Add(std::sin(2 * kPi * n * kLongPeriodStep / 7.8));
    if (n > 50000) peak = std::max(peak, std::abs(out));
  }
  EXPECT_NEAR(peak, HighPassGain(7.8), 1e-4);

  // A sensor's bias: nothing once primed with it, a false swing when the filter starts from zero.
  TLongPeriodResponse response;
  response.Start(12.5, -3.0);
  for (int n = 0; n < 6000; ++n) EXPECT_EQ(response.Add(12.5, -3.0).Sva, 0.0);
  response.Start(0.0, 0.0);
  for (int n = 0; n < 6000; ++n) response.Add(1.0, 0.0);
  EXPECT_GT(response.Peak().Sva, 2.0);
}

TEST(LongPeriodResponse, AFourSecondHarmonicBuildsTheResonanceOfTheFourSecondOscillator) {
  constexpr double kAmplitude = 2.0;  // gal
  const double w = 2 * kPi / 4.0;
  TLongPeriodResponse response;
  response.Start(0.0, 0.0);
  TLongPeriodResponse::TPeak last;
  for (int n = 0; n < 40000; ++n) {
    const TLongPeriodResponse::TPeak p = response.Add(kAmplitude * std::sin(w * n * kLongPeriodStep), 0.0);
    if (n > 36000 && p.Sva > last.Sva) last = p;
  }
  // Steady state: relative velocity F/(2hw) in quadrature with the ground's F/w.
  const double h = kLongPeriodDamping;
  const double theory = HighPassGain(4.0) * kAmplitude / w * std::sqrt(1.0 + 1.0 / (4 * h * h));
  EXPECT_EQ(last.Period, 12);
  EXPECT_NEAR(last.Sva, theory, 2e-3 * theory);
  EXPECT_NEAR(response.Peak().Sva, theory, 2e-3 * theory);
}

TEST(LongPeriodClass, BoundsBelongToTheHigherClassAndBandsGroupThePeriods) {
  const struct {
    double sva;
    int cls;
  } rows[] = {{0.0, 0},   {4.999, 0}, {5.0, 1},   {14.99, 1}, {15.0, 2},
              {49.99, 2}, {50.0, 3},  {100.0, 4}, {1e9, 4}};
  for (const auto& r : rows) EXPECT_EQ(LongPeriodClass(r.sva), r.cls) << r.sva;
  for (int c = 1; c <= 4; ++c) EXPECT_EQ(LongPeriodClass(LongPeriodClassFloor(c)), c);
  EXPECT_EQ(LongPeriodClassFloor(0), 0.0);
  const int bands[kLongPeriodCount] = {1, 1, 2, 2, 2, 2, 2, 3, 3, 3, 3, 3, 4, 4, 4, 4,
                                       4, 5, 5, 5, 5, 5, 6, 6, 6, 6, 6, 7, 7, 7, 7, 7};
  for (int k = 0; k < kLongPeriodCount; ++k) EXPECT_EQ(LongPeriodBand(k), bands[k]) << k;
  EXPECT_DOUBLE_EQ(LongPeriodSeconds(31), 7.8);
}

TEST(LongPeriodWindow, HoldsTheLargestOfTheLastSixThousandSamples) {
  TLongPeriodWindow window;
  EXPECT_EQ(window.Max().Sva, 0.0);
  window.Add({9.0, 7});
  for (int i = 0; i < TLongPeriodWindow::Capacity - 1; ++i) window.Add({1.0 + (i % 3), i % 32});
  EXPECT_EQ(window.Max().Sva, 9.0);
  EXPECT_EQ(window.Max().Period, 7);
  window.Add({0.5, 0});
  EXPECT_EQ(window.Max().Sva, 3.0);
  // A falling minute fills the ring: each value in turn is the largest left.
  window.Clear();
  EXPECT_EQ(window.Max().Sva, 0.0);
  for (int i = 0; i < 2 * TLongPeriodWindow::Capacity; ++i) {
    window.Add({1e5 - i, 0});
    ASSERT_EQ(window.Max().Sva, 1e5 - std::max(0, i - TLongPeriodWindow::Capacity + 1)) << i;
  }
}

}  // namespace
}  // namespace tevra

namespace tevra {
namespace {

TEST(LongPeriodMeter, SplitsTheResponseIntoEvaluationsAnAlarmAndTheLastMinute) {
  TLongPeriodMeter meter;
  TLongPeriodResponse reference;
  meter.Start({3.0, -2.0, 980.0});
  reference.Start(3.0, -2.0);
  std::vector<TAccelSample> batch(10);
  double sinceEvaluation = 0.0, sinceAlarm = 0.0, minute = 0.0;
  std::vector<double> all;
  for (int tick = 0; tick < 1200; ++tick) {
    for (int i = 0; i < 10; ++i) {
      const int n = tick * 10 + i;
      // A swell of 5 s between 20 and 40 s on X, the bias throughout.
      const double swell = n >= 2000 && n < 4000 ? 4.0 * std::sin(2 * kPi * n / 500.0) : 0.0;
      batch[i] = {3.0 + swell, -2.0, 980.0};
      all.push_back(reference.Add(batch[i].X, batch[i].Y).Sva);
      sinceEvaluation = std::max(sinceEvaluation, all.back());
      sinceAlarm = std::max(sinceAlarm, all.back());
    }
    meter.Add(batch.data(), 10);
    if (tick % 5 == 4) {
      EXPECT_EQ(meter.TakeSinceEvaluation().Sva, sinceEvaluation);
      sinceEvaluation = 0.0;
    }
    if (tick == 499) {  // detection at 50 s: the record reaches back to 0 s
      meter.BeginAlarm();
      sinceAlarm = *std::max_element(all.begin(), all.end());
    }
    if (tick == 999) {
      EXPECT_EQ(meter.AlarmPeak().Sva, sinceAlarm);
      EXPECT_EQ(meter.EndAlarm().Sva, sinceAlarm);
    }
  }
  EXPECT_FALSE(meter.AlarmRecording());
  for (std::size_t n = all.size() - TLongPeriodWindow::Capacity; n < all.size(); ++n)
    minute = std::max(minute, all[n]);
  EXPECT_EQ(meter.LastMinute().Sva, minute);
  EXPECT_GT(sinceAlarm, minute);
  EXPECT_EQ(meter.LastMinuteClass(), LongPeriodClass(minute));
}

}  // namespace
}  // namespace tevra
