#pragma once
// The long-period response while measuring: the last 60 s for the display, the largest since the
// alarm's previous evaluation, and the largest of an alarm from 60 s before its detection on.
#include "core/AccelSample.h"
#include "core/LongPeriod.h"

namespace tevra {

class TLongPeriodMeter {
 public:
  using TPeak = TLongPeriodResponse::TPeak;

  // A measurement's start: `rest` (gal) is the sensor's rest level, which the filter takes as
  // its past inputs, so that a constant bias is no motion.
  void Start(const TAccelSample& rest);
  // Samples in gal, the rest level not removed.
  void Add(const TAccelSample* gal, int n);

  // The last 6,000 samples.
  TPeak LastMinute() const { return window_.Max(); }
  int LastMinuteClass() const { return LongPeriodClass(window_.Max().Sva); }
  // The largest since the previous call (or the start); clears it.
  TPeak TakeSinceEvaluation();

  // An alarm's record: from the last 60 s at the detection to EndAlarm.
  void BeginAlarm();
  TPeak EndAlarm();
  // The largest so far of the alarm being recorded.
  TPeak AlarmPeak() const { return alarm_; }
  bool AlarmRecording() const { return recording_; }

 private:
  TLongPeriodResponse response_;
  TLongPeriodWindow window_;
  TPeak sinceEvaluation_;
  TPeak alarm_;
  bool recording_ = false;
};

}  // namespace tevra
