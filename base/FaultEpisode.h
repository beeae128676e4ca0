#pragma once
// A fault that may repeat many times a second (a line that sends garbage) is written once when it
// begins; its repeats are only counted. Their number is due once the fault has been absent for
// QuietMs, and at most every CountIntervalMs while it lasts.
#include <cstdint>
#include <utility>

namespace tevra {

class TFaultEpisode {
 public:
  static constexpr std::int64_t QuietMs = 10'000;
  static constexpr std::int64_t CountIntervalMs = 10 * 60'000;

  // The fault happened: true when it begins an episode, whose line is written.
  bool Occurred(std::int64_t nowMs) {
    lastMs_ = nowMs;
    if (active_) {
      ++repeats_;
      return false;
    }
    active_ = true;
    countedMs_ = nowMs;
    return true;
  }
  // Asked at every tick: the number of repeats whose line is due now, 0 for none.
  std::int64_t CountDue(std::int64_t nowMs) {
    if (!active_) return 0;
    if (nowMs - lastMs_ >= QuietMs) return End();
    if (repeats_ == 0 || nowMs - countedMs_ < CountIntervalMs) return 0;
    countedMs_ = nowMs;
    return std::exchange(repeats_, 0);
  }
  // Measuring ends: so does the episode; the repeats not yet written are due.
  std::int64_t End() {
    active_ = false;
    return std::exchange(repeats_, 0);
  }

 private:
  bool active_ = false;
  std::int64_t repeats_ = 0;
  std::int64_t lastMs_ = 0;
  std::int64_t countedMs_ = 0;
};

}  // namespace tevra
