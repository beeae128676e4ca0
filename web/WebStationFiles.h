#pragma once
// What the panel keeps on disk, as the web page reads it: the intensity history, the alarms of the
// event log and their pictures. Read on the web server's thread; nothing here writes.
#include <cstdint>
#include <string>
#include <string_view>

namespace tevra {

struct TWebStationFiles {
  std::string HistoryBase;   // the folder "history/" lies in
  std::string EventLog;      // the event log's path
  std::string DetailFolder;  // the detail files and their pictures
  std::string SensorId;
};

constexpr std::size_t WebAlarmsShown = 20;

// {"span":..,"minutes":[{"time":..,"intensity":..,"acceleration_gal":..},..]} over the last hour,
// day or week before `nowSeconds` (span "1h", "24h", "7d").
std::string WebHistoryJson(const TWebStationFiles& files, std::string_view span, std::int64_t nowSeconds);
// {"alarms":[{"id":..,"time":..,"intensity":..,"class":..,"class_rank":..,"acceleration_gal":..,
// "picture":true|false},..]}, the newest WebAlarmsShown, oldest first. The id is the detection's stamp.
std::string WebAlarmsJson(const TWebStationFiles& files);
// The picture of the alarm whose id the list gives; false for any other id or when it has none.
bool WebAlarmPicture(const TWebStationFiles& files, std::string_view id, std::string& png);

}  // namespace tevra
