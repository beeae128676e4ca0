#pragma once
// What the simulated sensor sends: samples in gal around the rest level, turned into the counts
// and 17-byte frames of the real sensor.
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/AccelSample.h"

namespace tevra::sim {

constexpr int SamplesPerSecond = 100;
constexpr double GalPerCount = 0.980665;
// Rest level in counts as the reader orients them: mid-scale, and 1 g (1000 counts) on Z.
constexpr TAccelSample RestCounts{2048.0, 2048.0, 3048.0};
// Raw values the reader never rejects: ReadFrames refuses oriented 0 and 4095 (raw X or Z of 1
// and 4096, raw Y of 0 and 4095), CheckSensor refuses raw 0 and 4095.
constexpr int LowestRaw = 2;
constexpr int HighestRaw = 4094;

// A synthetic earthquake in gal at 100 samples/s: band-limited noise (0.5-8 Hz) under an envelope
// of a 2-s rise, a 6-s strong phase and a 5-s decay. |X| peaks at peakGal, Y at 0.8 and Z at 0.5 of it.
std::vector<TAccelSample> SyntheticQuake(double peakGal, std::uint32_t seed);
constexpr double QuakeSeconds = 13.0;

// Raw frame values (x, y, z as sent) of a sample in gal around the rest level, clipped.
struct TRawValues {
  int X, Y, Z;
};
TRawValues RawOfGal(const TAccelSample& gal);
// The sample the reader makes of raw values, in gal (oriented, rest level included).
TAccelSample GalOfRaw(const TRawValues& raw);

// "%04d,%04d,%04d,%d\r".
std::string FormatFrame(const TRawValues& raw, int status = 0);

// A few counts of noise at a quiet site, in gal.
class TQuietSite {
 public:
  explicit TQuietSite(std::uint32_t seed) : rng_(seed) {}
  TAccelSample Next();

 private:
  std::mt19937 rng_;
  std::normal_distribution<double> noise_{0.0, 1.0};
};

}  // namespace tevra::sim
