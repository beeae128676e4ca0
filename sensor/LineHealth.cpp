#include "sensor/LineHealth.h"

#include <algorithm>

#include "base/TextFormat.h"
#include "sensor/VXTRRR.h"

namespace tevra {

void TLineHealth::Start(std::int64_t nowMs) {
  measuring_ = true;
  startMs_ = nowMs;
  tickMs_ = nowMs;
  ticks_.clear();
  haveFrame_ = false;
  newestMs_ = nowMs;
  lastChangeMs_ = nowMs;
}

void TLineHealth::Frames(std::int64_t nowMs, const TAccelSample* samples, int n) {
  if (!measuring_ || n < 0) return;
  tickMs_ = nowMs;
  ticks_.push_back({nowMs, n});
  while (!ticks_.empty() && ticks_.front().Ms <= nowMs - JudgeWindowMs) ticks_.pop_front();
  if (n == 0) return;
  for (int i = 0; i < n; ++i) {
    const TAccelSample& s = samples[i];
    if (!haveFrame_ || s.X != last_.X || s.Y != last_.Y || s.Z != last_.Z) lastChangeMs_ = nowMs;
    last_ = s;
    haveFrame_ = true;
  }
  newestMs_ = nowMs;
}

void TLineHealth::Failure(int readerStatus) {
  if (readerStatus == VXTRRR::ReaderFormatError) ++formatErrors_;
  if (readerStatus == VXTRRR::ReaderValueError) ++valueErrors_;
}

double TLineHealth::Rate(std::int64_t windowMs) const {
  const std::int64_t span = std::min(windowMs, tickMs_ - startMs_);
  if (!measuring_ || span <= 0) return 0.0;
  long long frames = 0;
  for (const TTick& t : ticks_) {
    if (t.Ms > tickMs_ - windowMs) frames += t.Frames;
  }
  return static_cast<double>(frames) * 1000.0 / static_cast<double>(span);
}

bool TLineHealth::RateFlagged() const {
  if (!measuring_ || tickMs_ - startMs_ < JudgeWindowMs) return false;
  const double rate = JudgedRate();
  return rate < LowestRate || rate > HighestRate;
}

bool TLineHealth::Frozen() const {
  return measuring_ && haveFrame_ && newestMs_ - lastChangeMs_ >= FrozenMs;
}

std::int64_t TLineHealth::NewestFrameAgeMs(std::int64_t nowMs) const {
  return measuring_ && haveFrame_ ? nowMs - newestMs_ : -1;
}

std::string LineHealthPanelText(const TLineHealth& health, std::int64_t nowMs) {
  if (!health.Measuring()) {
    return Printf("受信 - 誤り %lld/%lld", health.FormatErrors(), health.ValueErrors());
  }
  const std::int64_t age = health.NewestFrameAgeMs(nowMs);
  std::string text = Printf("受信 %.1f/s 誤り %lld/%lld 最新 ", health.FramesPerSecond(),
                            health.FormatErrors(), health.ValueErrors());
  text += age < 0 ? std::string("-") : Printf("%.1fs", static_cast<double>(age) / 1000.0);
  if (health.RateFlagged()) text += " 速度異常";
  if (health.Frozen()) text += " 値固定";
  return text;
}

std::string LineHealthMonitorText(const TLineHealth& health, std::int64_t nowMs) {
  const std::int64_t age = health.NewestFrameAgeMs(nowMs);
  std::string text = Printf("health %.1f frames/s format-errors %lld value-errors %lld newest ",
                            health.FramesPerSecond(), health.FormatErrors(), health.ValueErrors());
  text += age < 0 ? std::string("-") : Printf("%.1f s", static_cast<double>(age) / 1000.0);
  if (health.RateFlagged()) text += " rate-flagged";
  if (health.Frozen()) text += " frozen";
  return text;
}

double LineFrameCapacity(int baud, int bitsPerByte) {
  if (baud <= 0 || bitsPerByte <= 0) return 0.0;
  return static_cast<double>(baud) / (static_cast<double>(bitsPerByte) * VXTRRR::FrameLength);
}

}  // namespace tevra
