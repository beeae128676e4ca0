#include "web/WebStationFiles.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "base/DateTimeText.h"
#include "output/AlarmLog.h"
#include "output/HistoryFile.h"
#include "output/StationJson.h"

namespace tevra {
namespace {

std::int64_t UnixMsOfLocal(const TLocalDateTime& t) {
  return LocalSecondsOf(t) * 1000;
}

// The detail file's picture: "<detail file without .csv>.png", when one was saved.
std::string PicturePath(const TWebStationFiles& files, const TAlarmEntry& alarm) {
  const std::string detail = FindDetailFile(files.DetailFolder, files.SensorId, alarm.Detected);
  if (detail.size() < 4) return {};
  const std::string png = detail.substr(0, detail.size() - 4) + ".png";
  return std::ifstream(png).good() ? png : std::string();
}

std::vector<TAlarmEntry> NewestAlarms(const TWebStationFiles& files) {
  std::vector<TAlarmEntry> alarms = ReadAlarmLog(files.EventLog);
  if (alarms.size() > WebAlarmsShown) alarms.erase(alarms.begin(), alarms.end() - WebAlarmsShown);
  return alarms;
}

}  // namespace

std::string WebHistoryJson(const TWebStationFiles& files, std::string_view span, std::int64_t nowSeconds) {
  const std::int64_t seconds = span == "7d" ? 7 * 86400 : span == "24h" ? 86400 : 3600;
  const auto minutes =
      ReadHistory(files.HistoryBase, LocalDateTimeOf(nowSeconds - seconds), LocalDateTimeOf(nowSeconds));
  TJsonWriter w;
  w.Begin('{').Key("span").String(span).Key("minutes").Begin('[');
  for (const THistoryMinute& m : minutes) {
    w.Begin('{').Key("time").String(IsoUtcMs(UnixMsOfLocal(m.Minute)));
    w.Key("intensity").Number(m.Intensity, 2).Key("acceleration_gal").Number(m.Composite, 1).End('}');
  }
  w.End(']').End('}');
  return w.Text();
}

std::string WebAlarmsJson(const TWebStationFiles& files) {
  TJsonWriter w;
  w.Begin('{').Key("alarms").Begin('[');
  for (const TAlarmEntry& a : NewestAlarms(files)) {
    w.Begin('{')
        .Key("id")
        .String(StampText(a.Detected))
        .Key("time")
        .String(IsoUtcMs(UnixMsOfLocal(a.Detected)));
    w.Key("intensity").Number(a.LargestIntensity(), 2);
    w.Key("class")
        .String(ClassName(a.LargestIntensity()))
        .Key("class_rank")
        .Integer(ClassRank(a.LargestIntensity()));
    w.Key("acceleration_gal").Number(a.LargestComposite(), 1);
    w.Key("picture").Bool(!PicturePath(files, a).empty()).End('}');
  }
  w.End(']').End('}');
  return w.Text();
}

bool WebAlarmPicture(const TWebStationFiles& files, std::string_view id, std::string& png) {
  // The id only selects an entry of the list; the path comes from the entry, never from the request.
  for (const TAlarmEntry& a : NewestAlarms(files)) {
    if (StampText(a.Detected) != id) continue;
    const std::string path = PicturePath(files, a);
    if (path.empty()) return false;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    png = bytes.str();
    return in.good() || in.eof();
  }
  return false;
}

}  // namespace tevra
