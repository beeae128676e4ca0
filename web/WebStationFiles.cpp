#include "web/WebStationFiles.h"

#include <fstream>
#include <sstream>
#include <vector>

#include "base/DateTimeText.h"
#include "history/AlarmLog.h"
#include "history/HistoryFile.h"
#include "json/StationJson.h"

namespace tevra {
namespace {

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
  std::string list = "[";
  for (const THistoryMinute& m : minutes) {
    if (list.size() > 1) list += ',';
    list += TJsonObject()
                .Text("time", IsoUtcMillis(LocalSecondsOf(m.Minute) * 1'000'000))
                .Number("intensity", m.Intensity, 2)
                .Number("acceleration_gal", m.Composite, 1)
                .Json();
  }
  return TJsonObject().Text("span", std::string(span)).Raw("minutes", list + "]").Json();
}

std::string WebAlarmsJson(const TWebStationFiles& files) {
  std::string list = "[";
  for (const TAlarmEntry& a : NewestAlarms(files)) {
    if (list.size() > 1) list += ',';
    list += TJsonObject()
                .Text("id", StampText(a.Detected))
                .Text("time", IsoUtcMillis(LocalSecondsOf(a.Detected) * 1'000'000))
                .Number("intensity", a.LargestIntensity(), 2)
                .Text("class", IntensityClassCode(a.LargestIntensity()))
                .Integer("class_rank", IntensityClassRank(a.LargestIntensity()))
                .Number("acceleration_gal", a.LargestComposite(), 1)
                .Flag("picture", !PicturePath(files, a).empty())
                .Json();
  }
  return TJsonObject().Raw("alarms", list + "]").Json();
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
