#include "tools/sensor-sim/SimSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace tevra::sim {
namespace {

double Envelope(double t) {
  if (t < 0.0) return 0.0;
  if (t < 2.0) return std::sin(0.5 * std::numbers::pi * t / 2.0);                           // rise
  if (t < 8.0) return 1.0;                                                                  // strong phase
  if (t < QuakeSeconds) return 0.5 * (1.0 + std::cos(std::numbers::pi * (t - 8.0) / 5.0));  // decay
  return 0.0;
}

// Sum of sinusoids at random frequencies in the band with random phases, scaled to the peak.
std::vector<double> BandNoise(int n, double peak, std::mt19937& rng) {
  constexpr int Components = 60;
  std::uniform_real_distribution<double> frequency(0.5, 8.0);
  std::uniform_real_distribution<double> phase(0.0, 2.0 * std::numbers::pi);
  double f[Components], p[Components];
  for (int k = 0; k < Components; ++k) {
    f[k] = frequency(rng);
    p[k] = phase(rng);
  }
  std::vector<double> out(static_cast<std::size_t>(n));
  double largest = 0.0;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / SamplesPerSecond;
    double v = 0.0;
    for (int k = 0; k < Components; ++k) v += std::sin(2.0 * std::numbers::pi * f[k] * t + p[k]);
    out[i] = v * Envelope(t);
    largest = std::max(largest, std::fabs(out[i]));
  }
  if (largest > 0.0) {
    for (double& v : out) v *= peak / largest;
  }
  return out;
}

// Clipped as a double first: a replayed value of 1e300 gal must not overflow the conversion.
int Clip(double v) {
  return static_cast<int>(std::lround(std::clamp(v, double(LowestRaw), double(HighestRaw))));
}

}  // namespace

std::vector<TAccelSample> SyntheticQuake(double peakGal, std::uint32_t seed) {
  std::mt19937 rng(seed);
  const int n = static_cast<int>(QuakeSeconds * SamplesPerSecond);
  const std::vector<double> x = BandNoise(n, peakGal, rng);
  const std::vector<double> y = BandNoise(n, 0.8 * peakGal, rng);
  const std::vector<double> z = BandNoise(n, 0.5 * peakGal, rng);
  std::vector<TAccelSample> out(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) out[i] = {x[i], y[i], z[i]};
  return out;
}

TRawValues RawOfGal(const TAccelSample& gal) {
  // The sensor's X and Z run the other way: the reader takes 4096 minus them.
  const double x = RestCounts.X + gal.X / GalPerCount;
  const double y = RestCounts.Y + gal.Y / GalPerCount;
  const double z = RestCounts.Z + gal.Z / GalPerCount;
  return {Clip(4096.0 - x), Clip(y), Clip(4096.0 - z)};
}

TAccelSample GalOfRaw(const TRawValues& raw) {
  return {(4096 - raw.X) * GalPerCount, raw.Y * GalPerCount, (4096 - raw.Z) * GalPerCount};
}

std::string FormatFrame(const TRawValues& raw, int status) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d,%04d,%04d,%d\r", raw.X, raw.Y, raw.Z, status);
  return buf;
}

TAccelSample TQuietSite::Next() {
  return {noise_(rng_) * GalPerCount, noise_(rng_) * GalPerCount, noise_(rng_) * GalPerCount};
}

}  // namespace tevra::sim
