#pragma once
// Command line of tevra-sensor-sim. Times are seconds of the simulated stream (frame i is sent at
// i / 100 s), so --speed changes only how fast they pass.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "base/Result.h"

namespace tevra::sim {

struct TSimOptions {
  std::string Link;
  std::string Replay;
  std::string Record;
  double Speed = 1.0;
  double Seconds = 0.0;  // 0: no limit
  bool Quake = false;
  double QuakeAt = 0.0;
  double QuakePeak = 0.0;
  std::vector<double> CrlfAt;
  std::vector<double> GarbleAt;
  std::vector<double> ValueErrorAt;
  std::vector<std::pair<double, double>> Silence;  // start, duration
  std::uint32_t Seed = 1;
};

extern const char* const SimUsage;

// An error for an unknown option, a missing or malformed value.
TResult<TSimOptions> ParseSimOptions(int argc, const char* const* argv);

// Frame index of a stream time.
long long FrameAt(double seconds);

// What happens to frame i.
struct TFrameFaults {
  bool Silent = false;
  bool Crlf = false;
  bool Garble = false;
  bool ValueError = false;
};
TFrameFaults FaultsOf(const TSimOptions& options, long long frame);

}  // namespace tevra::sim
