#include "web/WebLive.h"

#include "core/LongPeriod.h"
#include "station/ClockHealth.h"
#include "station/DiskSpace.h"

namespace tevra {
namespace {

std::string IsoOrNull(std::int64_t unixMs) {
  return unixMs > 0 ? JsonString(IsoUtcMillis(unixMs * 1000)) : "null";
}

void Figures(TJsonObject& o, const TWebSnapshot& s) {
  o.Raw("time", IsoOrNull(s.TimeMs));
  o.Number("intensity", s.Intensity, 2);
  o.Text("class", IntensityClassCode(s.Intensity));
  o.Integer("class_rank", IntensityClassRank(s.Intensity));
  o.Number("acceleration_gal", s.AccelerationGal, 1);
  if (s.SvaCmS >= 0) {
    o.Text("long_period_class", std::to_string(LongPeriodClass(s.SvaCmS))).Number("sva_cm_s", s.SvaCmS, 1);
  }
}

std::string AlarmJson(const TWebSnapshot& s) {
  return TJsonObject().Flag("active", s.Alarm).Raw("since", IsoOrNull(s.Alarm ? s.AlarmSinceMs : 0)).Json();
}

// "[1.00,-2.50,...]"
std::string NumberList(const std::vector<TAccelSample>& samples, double TAccelSample::*axis) {
  std::string list = "[";
  for (const TAccelSample& sample : samples) {
    if (list.size() > 1) list += ',';
    list += JsonNumber(sample.*axis, 2);
  }
  return list + "]";
}

}  // namespace

void SetWebHealth(TWebSnapshot& s, const TClockHealth& clock, const TFolderSpace* space) {
  s.Clock = !clock.Known ? "" : clock.Synchronised ? "ok" : "unsynchronized";
  s.FreeBytes = space && space->Known ? static_cast<double>(space->FreeBytes) : -1.0;
}

void RefreshWebHealth(TWebSnapshot& s, const std::string& folder) {
  TFolderSpace space{folder.empty() ? "." : folder};
  space.Known = KernelFreeSpace(space.Folder, space.FreeBytes);
  SetWebHealth(s, ReadClockHealth(KernelClockQuery), &space);
}

std::string WebStatusJson(const TWebSnapshot& s) {
  TJsonObject o;
  o.Text("network", s.Network)
      .Text("station", s.Station)
      .Text("location", s.Location)
      .Text("version", s.Version);
  o.Text("state", StationStateName(s.State));
  Figures(o, s);
  o.Raw("alarm", AlarmJson(s));
  o.Number("criterion", s.Criterion, 1);
  TJsonObject health;
  health.Number("frames_per_second", s.FramesPerSecond, 1).Integer("errors", s.Errors).Text("clock", s.Clock);
  health.Raw("free_bytes", s.FreeBytes >= 0 ? JsonNumber(s.FreeBytes, 0) : "null");
  return o.Raw("health", health.Json()).Flag("history", s.KeepsHistory).Json();
}

std::string WebIntensityJson(const TWebSnapshot& s, const std::vector<TAccelSample>& samples) {
  TJsonObject o;
  o.Text("type", "intensity");
  Figures(o, s);
  o.Integer("rate", 100 / WebTraceDecimation);
  o.Raw("x", NumberList(samples, &TAccelSample::X));
  o.Raw("y", NumberList(samples, &TAccelSample::Y));
  o.Raw("z", NumberList(samples, &TAccelSample::Z));
  return o.Json();
}

std::string WebStateJson(const TWebSnapshot& s) {
  return TJsonObject().Text("type", "state").Text("state", StationStateName(s.State)).Json();
}

std::string WebAlarmJson(const TWebSnapshot& s) {
  return TJsonObject().Text("type", "alarm").Raw("alarm", AlarmJson(s)).Json();
}

}  // namespace tevra
