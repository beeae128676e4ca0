#include "core/LongPeriodMeter.h"

namespace tevra {
namespace {

void Raise(TLongPeriodMeter::TPeak& peak, const TLongPeriodMeter::TPeak& candidate) {
  if (candidate.Sva > peak.Sva) peak = candidate;
}

}  // namespace

void TLongPeriodMeter::Start(const TAccelSample& rest) {
  response_.Start(rest.X, rest.Y);
  window_.Clear();
  sinceEvaluation_ = {};
  alarm_ = {};
  recording_ = false;
}

void TLongPeriodMeter::Add(const TAccelSample* gal, int n) {
  for (int i = 0; i < n; ++i) {
    const TPeak p = response_.Add(gal[i].X, gal[i].Y);
    window_.Add(p);
    Raise(sinceEvaluation_, p);
    if (recording_) Raise(alarm_, p);
  }
}

TLongPeriodMeter::TPeak TLongPeriodMeter::TakeSinceEvaluation() {
  const TPeak p = sinceEvaluation_;
  sinceEvaluation_ = {};
  return p;
}

void TLongPeriodMeter::BeginAlarm() {
  alarm_ = window_.Max();
  recording_ = true;
}

TLongPeriodMeter::TPeak TLongPeriodMeter::EndAlarm() {
  recording_ = false;
  return alarm_;
}

}  // namespace tevra
