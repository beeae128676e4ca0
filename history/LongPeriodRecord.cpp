#include "history/LongPeriodRecord.h"

#include "base/AtomicFile.h"
#include "base/NumberParse.h"
#include "base/TextFormat.h"
#include "history/AlarmLog.h"
#include "base/AppendFile.h"
#include "history/HistoryFile.h"
#include "alarm/AlarmFileNames.h"
#include "settings/Profile.h"
#include "settings/SectionKeys.h"

namespace tevra {
namespace {

constexpr std::size_t kReadBufferSize = 16;
constexpr const char* kAlarm = "Alarm";
constexpr const char* kAlarmClass = "AlarmClass";

// The section's keys in the file's order, for reading and writing alike.
constexpr auto kKeys = [](auto& io, auto& s) {
  io.Flag(kAlarm, s.Alarm);
  io.Integer(kAlarmClass, 1, 4, s.AlarmClass);
};

}  // namespace

TLongPeriodSettings LoadLongPeriodSettings(const Profile& profile) {
  return ReadKeys<TLongPeriodSettings>(profile, kLongPeriodSection, kReadBufferSize, kKeys);
}

void SaveLongPeriodSettings(const TLongPeriodSettings& s, Profile& profile) {
  WriteKeys(profile, kLongPeriodSection, s, kKeys);
}

bool LongPeriodExceeds(const TLongPeriodSettings& settings, double sva) {
  return settings.Alarm && sva >= LongPeriodClassFloor(settings.AlarmClass);
}

std::string LongPeriodStatusText(const TLongPeriodMeter::TPeak& peak) {
  return Printf("長周期 %d (%.1fcm/s)", LongPeriodClass(peak.Sva), peak.Sva);
}

std::string LongPeriodAlarmText(const TLongPeriodMeter::TPeak& peak) {
  return Printf("長周期地震動階級 %d (Sva %.1fcm/s, %.1f秒)", LongPeriodClass(peak.Sva), peak.Sva,
                LongPeriodSeconds(peak.Period));
}

std::string AlarmCriterionNote(bool ownCriterion, bool longPeriod, const TLongPeriodSettings& settings) {
  const std::string lp = Printf("長周期地震動階級 %d 以上", settings.AlarmClass);
  if (ownCriterion && longPeriod) return "警報の基準: 警報設定と" + lp;
  return "警報の基準: " + (longPeriod ? lp : std::string("警報設定"));
}

std::string LongPeriodLogPath(const std::string& eventFolder, std::string_view sensorId) {
  return JoinPath(eventFolder, "longperiod_" + FileNameId(sensorId) + ".csv");
}

std::string LongPeriodLogLine(const TLocalDateTime& t, const TLongPeriodMeter::TPeak& peak) {
  return Printf("%04d/%02d/%02d %02d:%02d:%02d,%d,%.1f,%.1f\n", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second, LongPeriodClass(peak.Sva), peak.Sva, LongPeriodSeconds(peak.Period));
}

std::vector<TLongPeriodEntry> ReadLongPeriodLog(const std::string& path) {
  std::vector<TLongPeriodEntry> entries;
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return entries;
  std::string_view rest = bytes;
  while (!rest.empty()) {
    const std::size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view f[4];
    int n = 0;
    for (std::size_t start = 0; n < 4; ++n) {
      const std::size_t comma = line.find(',', start);
      f[n] = line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
      if (comma == std::string_view::npos) break;
      start = comma + 1;
    }
    TLongPeriodEntry e;
    if (n != 3 || !ParseDateTimeText(f[0], e.Detected) || !ParseInteger(f[1], 0, 4, e.Class) ||
        !ParseFinite(f[2], e.Sva) || !ParseFinite(f[3], e.Period)) {
      continue;
    }
    entries.push_back(e);
  }
  return entries;
}

const TLongPeriodEntry* FindLongPeriodEntry(const std::vector<TLongPeriodEntry>& entries,
                                            const TLocalDateTime& detected, int lateSeconds) {
  const std::int64_t at = WallSeconds(detected);
  // The newest first: the file grows in time order.
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    const std::int64_t d = at - WallSeconds(it->Detected);
    if (d >= 0 && d <= lateSeconds) return &*it;
  }
  return nullptr;
}

std::string LongPeriodEntryText(const TLongPeriodEntry* e) {
  if (!e) return "—";
  return Printf("%d (%.1fcm/s, %.1f秒)", e->Class, e->Sva, e->Period);
}

TStatus TLongPeriodLog::Append(const TPanelSettings& settings, const TLocalDateTime& detected,
                               const TLongPeriodMeter::TPeak& peak) {
  if (!settings.SaveEventLog) return {};
  waiting_ += LongPeriodLogLine(detected, peak);
  TAppendFile file;
  errno = 0;
  if (!file.Open(LongPeriodLogPath(settings.EventFolder, settings.SensorId)) || !file.Append(waiting_)) {
    if (!outage_.Failed()) return {};
    return TError{FailedText, errno};
  }
  waiting_.clear();
  outage_.Succeeded();
  return {};
}

}  // namespace tevra
