#pragma once
// Lines about clients refused or dropped: at most ten a minute, then one line with the count of
// those left out, so a flood of hostile clients cannot flood the operation log.
#include <chrono>
#include <string>

namespace tevra {

class TLogLimiter {
 public:
  using TClock = std::chrono::steady_clock;
  static constexpr int LinesPerMinute = 10;

  // `line` when it may be logged now, "" when it is only counted.
  std::string Line(const std::string& line, TClock::time_point now);
  // Once the minute is over: the count of lines left out in it ("" when none were).
  std::string Summary(TClock::time_point now);

 private:
  TClock::time_point minuteStart_{};
  int logged_ = 0;
  long long leftOut_ = 0;
};

}  // namespace tevra
