#include "base/LogLimiter.h"

namespace tevra {

std::string TLogLimiter::Summary(TClock::time_point now) {
  if (now - minuteStart_ < std::chrono::minutes(1)) return {};
  std::string summary;
  if (leftOut_ > 0) summary = "ほかに " + std::to_string(leftOut_) + " 件の接続を拒否または切断しました";
  minuteStart_ = now;
  logged_ = 0;
  leftOut_ = 0;
  return summary;
}

std::string TLogLimiter::Line(const std::string& line, TClock::time_point now) {
  if (now - minuteStart_ >= std::chrono::minutes(1) && leftOut_ == 0) {
    minuteStart_ = now;
    logged_ = 0;
  }
  if (logged_ >= LinesPerMinute) {
    ++leftOut_;
    return {};
  }
  ++logged_;
  return line;
}

}  // namespace tevra
