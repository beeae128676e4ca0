#include "web/WebLive.h"

namespace tevra {
namespace {

void Figures(TJsonWriter& w, const TWebSnapshot& s) {
  w.Key("time");
  if (s.TimeMs > 0)
    w.String(IsoUtcMs(s.TimeMs));
  else
    w.Null();
  w.Key("intensity").Number(s.Intensity, 2);
  w.Key("class").String(ClassName(s.Intensity));
  w.Key("class_rank").Integer(ClassRank(s.Intensity));
  w.Key("acceleration_gal").Number(s.AccelerationGal, 1);
}

void Alarm(TJsonWriter& w, const TWebSnapshot& s) {
  w.Key("alarm").Begin('{').Key("active").Bool(s.Alarm).Key("since");
  if (s.Alarm && s.AlarmSinceMs > 0)
    w.String(IsoUtcMs(s.AlarmSinceMs));
  else
    w.Null();
  w.End('}');
}

}  // namespace

std::string WebStatusJson(const TWebSnapshot& s) {
  TJsonWriter w;
  w.Begin('{');
  w.Key("network").String(s.Network).Key("station").String(s.Station).Key("location").String(s.Location);
  w.Key("version").String(s.Version);
  w.Key("state").String(StateName(s.State));
  Figures(w, s);
  Alarm(w, s);
  w.Key("criterion").Number(s.Criterion, 1);
  w.Key("health").Begin('{').Key("frames_per_second").Number(s.FramesPerSecond, 1);
  w.Key("errors").Integer(s.Errors).Key("clock").String(s.Clock).Key("free_bytes");
  if (s.FreeBytes >= 0)
    w.Number(s.FreeBytes, 0);
  else
    w.Null();
  w.End('}');
  w.Key("history").Bool(s.KeepsHistory);
  w.End('}');
  return w.Text();
}

std::string WebIntensityJson(const TWebSnapshot& s, const std::vector<TAccelSample>& samples) {
  TJsonWriter w;
  w.Begin('{').Key("type").String("intensity");
  Figures(w, s);
  w.Key("rate").Integer(100 / WebTraceDecimation);
  for (const char axis : {'x', 'y', 'z'}) {
    w.Key(std::string(1, axis)).Begin('[');
    for (const TAccelSample& sample : samples)
      w.Number(axis == 'x' ? sample.X : axis == 'y' ? sample.Y : sample.Z, 2);
    w.End(']');
  }
  w.End('}');
  return w.Text();
}

std::string WebStateJson(const TWebSnapshot& s) {
  TJsonWriter w;
  w.Begin('{').Key("type").String("state").Key("state").String(StateName(s.State)).End('}');
  return w.Text();
}

std::string WebAlarmJson(const TWebSnapshot& s) {
  TJsonWriter w;
  w.Begin('{').Key("type").String("alarm");
  Alarm(w, s);
  w.End('}');
  return w.Text();
}

}  // namespace tevra
