#include "mqtt/MqttPayloads.h"

namespace tevra {
namespace {

void AddFigures(TJsonObject& json, const TIntensityReading& r) {
  json.Text("time", IsoUtcMillis(r.UtcMicros))
      .Number("intensity", r.Intensity, 2)
      .Text("class", IntensityClassCode(r.Intensity))
      .Integer("class_rank", IntensityClassRank(r.Intensity))
      .Number("acceleration_gal", r.AccelerationGal, 2);
  if (r.LongPeriodClass) json.Text("long_period_class", *r.LongPeriodClass);
  if (r.SvaCmS) json.Number("sva_cm_s", *r.SvaCmS, 2);
}

}  // namespace

bool TStationStatus::Differs(const TStationStatus& o) const {
  return State != o.State || Alarm != o.Alarm || RateOutOfBounds != o.RateOutOfBounds ||
         FrozenSensor != o.FrozenSensor || ClockUnsynchronised != o.ClockUnsynchronised ||
         LowDisk != o.LowDisk || Version != o.Version;
}

std::string IntensityPayload(const TIntensityReading& reading) {
  TJsonObject json;
  AddFigures(json, reading);
  return json.Json();
}

std::string AlarmPayload(const TAlarmEvent& event, std::optional<double> lateAgeSeconds) {
  TJsonObject json;
  json.Text("event", event.Start ? "start" : "end");
  AddFigures(json, event.Figures);
  if (event.Start) {
    json.Text("criterion", event.Criterion);
  } else {
    json.Text("detail_file", event.DetailFile);
  }
  if (lateAgeSeconds) json.Flag("late", true).Number("age_s", *lateAgeSeconds, 1);
  return json.Json();
}

std::string StatePayload(const TStationStatus& s) {
  TJsonObject health;
  health.Flag("rate_out_of_bounds", s.RateOutOfBounds)
      .Flag("frozen_sensor", s.FrozenSensor)
      .Flag("clock_unsynchronised", s.ClockUnsynchronised)
      .Flag("low_disk", s.LowDisk);
  TJsonObject json;
  json.Text("state", StationStateName(s.State))
      .Flag("alarm", s.Alarm)
      .Raw("health", health.Json())
      .Number("frames_per_second", s.FramesPerSecond, 1)
      .Text("version", s.Version);
  return json.Json();
}

}  // namespace tevra
