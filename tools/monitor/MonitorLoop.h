#pragma once
// The line monitor's run: CheckSensor, the panel's start sequence, then a tick every 100 ms with
// ReadFrames and the per-tick processing, printing every new intensity and every failure, and the
// line's health once a minute.
// All waiting and all clocks go through the platform, so tests run it in virtual time.
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "archive/DataOutput.h"
#include "sensor/LineHealth.h"
#include "sensor/TickProcessor.h"
#include "sensor/VXTRRR.h"

namespace tevra {

struct TMonitorCounts {
  long long Frames = 0;  // samples delivered by successful reads
  long long FormatErrors = 0;
  long long ValueErrors = 0;
  long long NoData = 0;
  long long Overflows = 0;
};

// Told of every tick and every change of state, on the loop's thread; must not wait.
struct TMonitorObserver {
  virtual ~TMonitorObserver() = default;
  virtual void Tick(const TickProcessor& tick, const TLineHealth& health, std::int64_t utcMicros) = 0;
  virtual void Measuring(bool measuring) = 0;  // false: a failure, measuring waits
  // A sensor check failed: the line waits to be checked again.
  virtual void CheckFailed(const TLineHealth&) {}
};
// The routes the monitor's figures take besides its output (the web page, MQTT).
using TMonitorObservers = std::vector<TMonitorObserver*>;

// The text printed for a failed reader status.
using TErrorText = std::function<std::string(int readerStatus)>;

// Runs for `seconds` (<= 0: until *stop), printing to `out`; the summary line is printed too.
// `record`, when given, receives every batch read (the continuous record), hears of every lost
// one and is stopped at the end. Without `errorText` the reader's own texts are printed.
TMonitorCounts RunMonitor(VXTRRR& reader, TPlatform& platform, double seconds,
                          const volatile std::sig_atomic_t* stop, std::FILE* out,
                          TDataOutput* record = nullptr, TErrorText errorText = {},
                          const TMonitorObservers& observers = {});

}  // namespace tevra
