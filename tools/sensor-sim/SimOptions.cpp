#include "tools/sensor-sim/SimOptions.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace tevra::sim {

const char* const SimUsage =
    "usage: tevra-sensor-sim [options]\n"
    "  a seismic sensor on a pseudo-terminal: prints the slave's path and, once a reader has\n"
    "  opened it, sends 17-byte frames at 100 per second\n"
    "  --link PATH          also make PATH a symbolic link to the slave\n"
    "  --speed K            K times faster than real time (0.01 to 1000)\n"
    "  --seconds S          stop after S seconds of data (up to a year, as every time here)\n"
    "  --replay FILE        send a record in gal (three columns) instead of a quiet site\n"
    "  --quake T:PEAK       a synthetic earthquake from T s on, PEAK gal on X (up to 100000)\n"
    "  --record FILE        write every sample sent, in gal, three columns\n"
    "  --crlf-at T          end the frame at T with CR LF\n"
    "  --garble-at T        send the frame at T with a bad layout\n"
    "  --silence T:D        send nothing for D seconds from T on\n"
    "  --value-error-at T   send an X value of 1 at T\n"
    "  --seed N             seed of the noise (1)\n";

namespace {

// Ranges in which the stream's arithmetic stays exact and its integers cannot overflow.
constexpr double MaxSeconds = 366.0 * 86400;  // a year of stream
constexpr double MinSpeed = 0.01, MaxSpeed = 1000.0;
constexpr double MaxPeakGal = 100000.0;  // far beyond the sensor's range, which clips

bool Number(const char* text, double& value, double min, double max) {
  const char* end = text + std::strlen(text);
  double v = 0;
  const auto [ptr, ec] = std::from_chars(text, end, v);
  if (ec != std::errc() || ptr != end || !(v >= min && v <= max)) return false;
  value = v;
  return true;
}

bool Pair(const char* text, double& a, double& b, double maxB) {
  const char* colon = std::strchr(text, ':');
  if (!colon) return false;
  const std::string first(text, colon);
  return Number(first.c_str(), a, 0, MaxSeconds) && Number(colon + 1, b, 0, maxB);
}

}  // namespace

TResult<TSimOptions> ParseSimOptions(int argc, const char* const* argv) {
  TSimOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string opt = argv[i];
    if (i + 1 >= argc) {
      return TError{"missing value for " + opt};
    }
    const char* value = argv[++i];
    double a = 0, b = 0;
    bool ok = true;
    if (opt == "--link") {
      o.Link = value;
    } else if (opt == "--replay") {
      o.Replay = value;
    } else if (opt == "--record") {
      o.Record = value;
    } else if (opt == "--speed") {
      ok = Number(value, o.Speed, MinSpeed, MaxSpeed);
    } else if (opt == "--seconds") {
      ok = Number(value, o.Seconds, 0, MaxSeconds) && o.Seconds > 0;
    } else if (opt == "--quake") {
      ok = Pair(value, o.QuakeAt, o.QuakePeak, MaxPeakGal);
      o.Quake = true;
    } else if (opt == "--crlf-at" || opt == "--garble-at" || opt == "--value-error-at") {
      ok = Number(value, a, 0, MaxSeconds);
      (opt == "--crlf-at" ? o.CrlfAt : opt == "--garble-at" ? o.GarbleAt : o.ValueErrorAt).push_back(a);
    } else if (opt == "--silence") {
      ok = Pair(value, a, b, MaxSeconds);
      o.Silence.emplace_back(a, b);
    } else if (opt == "--seed") {
      const char* end = value + std::strlen(value);
      const auto [ptr, ec] = std::from_chars(value, end, o.Seed);
      ok = ec == std::errc() && ptr == end;
    } else {
      return TError{"unknown option " + opt};
    }
    if (!ok) {
      return TError{"bad value for " + opt + ": " + value};
    }
  }
  return o;
}

long long FrameAt(double seconds) {
  return std::llround(seconds * 100.0);
}

TFrameFaults FaultsOf(const TSimOptions& o, long long frame) {
  TFrameFaults f;
  for (const auto& [start, duration] : o.Silence) {
    if (frame >= FrameAt(start) && frame < FrameAt(start + duration)) f.Silent = true;
  }
  for (double t : o.CrlfAt) f.Crlf = f.Crlf || FrameAt(t) == frame;
  for (double t : o.GarbleAt) f.Garble = f.Garble || FrameAt(t) == frame;
  for (double t : o.ValueErrorAt) f.ValueError = f.ValueError || FrameAt(t) == frame;
  return f;
}

}  // namespace tevra::sim
