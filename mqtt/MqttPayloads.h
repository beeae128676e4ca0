#pragma once
// The JSON payloads of the station's MQTT topics: one compact line each.
#include <cstdint>
#include <optional>
#include <string>

#include "json/StationJson.h"

namespace tevra {

// One intensity with the tick's composite acceleration; the long-period figures only where known.
struct TIntensityReading {
  std::int64_t UtcMicros = 0;
  double Intensity = 0.0;
  double AccelerationGal = 0.0;
  std::optional<std::string> LongPeriodClass;
  std::optional<double> SvaCmS;
};

// An alarm's start (the figures at the detection and the criterion that fired) or its end (the
// largest figures and the detail file's name).
struct TAlarmEvent {
  bool Start = true;
  TIntensityReading Figures;
  std::string Criterion;   // "intensity" or "acceleration"
  std::string DetailFile;  // the end's only
};

struct TStationStatus {
  TStationState State = TStationState::Stopped;
  bool Alarm = false;
  bool RateOutOfBounds = false;
  bool FrozenSensor = false;
  bool ClockUnsynchronised = false;
  bool LowDisk = false;
  double FramesPerSecond = 0.0;
  std::string Version;
  // The state, the alarm or a flag differs (the rate alone is no change).
  bool Differs(const TStationStatus& other) const;
};

std::string IntensityPayload(const TIntensityReading& reading);
// `lateAgeSeconds` for an event sent after an outage of the broker: "late" and its age.
std::string AlarmPayload(const TAlarmEvent& event, std::optional<double> lateAgeSeconds = std::nullopt);
std::string StatePayload(const TStationStatus& status);

}  // namespace tevra
