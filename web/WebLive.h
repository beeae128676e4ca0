#pragma once
// The figures the web page shows and their JSON: the tick's snapshot, the status document, and the
// messages of /api/live (one per new intensity, with the samples since the last one, and one per
// change of state or alarm).
#include <cstdint>
#include <string>
#include <vector>

#include "core/AccelSample.h"
#include "json/StationJson.h"

namespace tevra {

struct TClockHealth;
struct TFolderSpace;

struct TWebSnapshot {
  std::string Network, Station, Location, Version;
  std::int64_t TimeMs = 0;  // UTC of the newest intensity; 0: none yet
  double Intensity = 0.0;
  double AccelerationGal = 0.0;  // the tick's largest composite
  double SvaCmS = -1.0;          // long-period absolute velocity of the last 60 s; < 0: not known
  TStationState State = TStationState::Stopped;
  bool Alarm = false;
  std::int64_t AlarmSinceMs = 0;
  double Criterion = 0.0;  // intensity that raises an alarm; 0: none
  // Health figures.
  double FramesPerSecond = 0.0;
  long long Errors = 0;
  std::string Clock;          // "ok", "unsynchronized" or "" when unknown
  double FreeBytes = -1.0;    // of the recording's disk; < 0 unknown
  bool KeepsHistory = false;  // history, event log and alarms exist (the panel, not the monitor)
};

// Samples go to the page at half the sensor's rate, plenty for a 60 s trace.
constexpr int WebTraceDecimation = 2;

// The clock's state and the free space as a health check found them (`space` nullptr: not known).
void SetWebHealth(TWebSnapshot& s, const TClockHealth& clock, const TFolderSpace* space);
// The same from the kernel, for the free space of `folder` (for a once-a-second refresh).
void RefreshWebHealth(TWebSnapshot& s, const std::string& folder);

std::string WebStatusJson(const TWebSnapshot& s);
std::string WebIntensityJson(const TWebSnapshot& s, const std::vector<TAccelSample>& samples);
std::string WebStateJson(const TWebSnapshot& s);
std::string WebAlarmJson(const TWebSnapshot& s);

}  // namespace tevra
