#pragma once
// How healthy the sensor line looks: frames per second, the format and value errors, the age of
// the newest frame, a rate that cannot be right and a sensor that has frozen. Fed once per
// measurement tick with the monotonic time; it keeps no clock of its own.
#include <cstdint>
#include <deque>
#include <string>

#include "core/AccelSample.h"

namespace tevra {

class TLineHealth {
 public:
  static constexpr std::int64_t RateWindowMs = 10000;   // the rate shown
  static constexpr std::int64_t JudgeWindowMs = 60000;  // the rate judged
  // The sensor sends 100 frames a second; a minute outside 95..105 means lost or doubled frames.
  static constexpr double LowestRate = 95.0;
  static constexpr double HighestRate = 105.0;
  // A real sensor shows noise in its last digit: ten seconds of identical frames is a frozen one.
  static constexpr std::int64_t FrozenMs = 10000;

  // A measurement starts: the rate and the frozen watch begin afresh. The error counts go on; they
  // count since the program started.
  void Start(std::int64_t nowMs);
  // The measurement stopped: no rate and no flags until the next start.
  void Stop() { measuring_ = false; }
  // One tick's frames as the reader gave them (counts).
  void Frames(std::int64_t nowMs, const TAccelSample* samples, int n);
  // A failed read, with the reader's status.
  void Failure(int readerStatus);

  bool Measuring() const { return measuring_; }
  // Frames per second over the RateWindowMs up to the newest tick (over the time since the start
  // before that), so that the figure holds still between ticks.
  double FramesPerSecond() const { return Rate(RateWindowMs); }
  // Frames per second over the JudgeWindowMs up to the newest tick; flagged once a whole such
  // window has passed.
  double JudgedRate() const { return Rate(JudgeWindowMs); }
  bool RateFlagged() const;
  bool Frozen() const;
  // Milliseconds since the newest frame arrived; -1 before the first one of this measurement.
  std::int64_t NewestFrameAgeMs(std::int64_t nowMs) const;
  long long FormatErrors() const { return formatErrors_; }
  long long ValueErrors() const { return valueErrors_; }

 private:
  struct TTick {
    std::int64_t Ms;
    int Frames;
  };
  double Rate(std::int64_t windowMs) const;

  bool measuring_ = false;
  std::int64_t startMs_ = 0;
  std::int64_t tickMs_ = 0;  // the newest tick
  std::deque<TTick> ticks_;  // the last JudgeWindowMs
  bool haveFrame_ = false;
  TAccelSample last_;
  std::int64_t newestMs_ = 0;
  std::int64_t lastChangeMs_ = 0;
  long long formatErrors_ = 0;
  long long valueErrors_ = 0;
};

// The status-bar text, e.g. "受信 100.0/s 誤り 0/0 最新 0.1s", with "速度異常" or "値固定"
// behind it when flagged (UTF-8).
std::string LineHealthPanelText(const TLineHealth& health, std::int64_t nowMs);
// The monitor's line: "health 100.0 frames/s format-errors 0 value-errors 0 newest 0.1 s", with
// " rate-flagged" and " frozen" behind it when flagged.
std::string LineHealthMonitorText(const TLineHealth& health, std::int64_t nowMs);

// Frames of 17 bytes a second that a line of `baud` carries with `bitsPerByte` bits on the line
// for each byte (start, data, parity and stop bits).
double LineFrameCapacity(int baud, int bitsPerByte);

}  // namespace tevra
