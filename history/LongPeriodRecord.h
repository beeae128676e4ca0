#pragma once
// The long-period ground-motion class in the panel's settings and records: section [LongPeriod]
// of "TevraPanel.ini" (its own alarm), the texts of the display and the operation log, and
// "longperiod_<id>.csv" in the event folder, one line per alarm, which the alarm records join on.
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTimeText.h"
#include "core/LongPeriodMeter.h"
#include "base/Outage.h"
#include "base/Result.h"
#include "settings/PanelSettings.h"

namespace tevra {

class Profile;

inline constexpr const char* kLongPeriodSection = "LongPeriod";

struct TLongPeriodSettings {
  bool Alarm = false;
  int AlarmClass = 2;  // 1 ... 4
};
// A missing or bad value takes its default.
TLongPeriodSettings LoadLongPeriodSettings(const Profile& profile);
void SaveLongPeriodSettings(const TLongPeriodSettings& settings, Profile& profile);

// With the alarm on: `sva` (cm/s) reaches the class of the settings.
bool LongPeriodExceeds(const TLongPeriodSettings& settings, double sva);

// "長周期 2 (37.6cm/s)"
std::string LongPeriodStatusText(const TLongPeriodMeter::TPeak& peak);
// "長周期地震動階級 2 (Sva 37.6cm/s, 4.2秒)"
std::string LongPeriodAlarmText(const TLongPeriodMeter::TPeak& peak);
// Which criterion raised an alarm, for the line below its top line.
std::string AlarmCriterionNote(bool ownCriterion, bool longPeriod, const TLongPeriodSettings& settings);

// "<EventFolder>/longperiod_<id>.csv"
std::string LongPeriodLogPath(const std::string& eventFolder, std::string_view sensorId);
// "yyyy/mm/dd hh:mm:ss,<class>,<Sva>,<period>\n", the time of the detection.
std::string LongPeriodLogLine(const TLocalDateTime& detected, const TLongPeriodMeter::TPeak& peak);

struct TLongPeriodEntry {
  TLocalDateTime Detected;
  int Class = 0;
  double Sva = 0.0;
  double Period = 0.0;
};
// The lines of a file that parse, in file order; none when it cannot be read.
std::vector<TLongPeriodEntry> ReadLongPeriodLog(const std::string& path);
// The entry of an alarm detected at `detected`, or up to `lateSeconds` before (a detail file's
// stamp comes a moment after the detection); null when none.
const TLongPeriodEntry* FindLongPeriodEntry(const std::vector<TLongPeriodEntry>& entries,
                                            const TLocalDateTime& detected, int lateSeconds = 0);
// "2 (37.6cm/s, 4.2秒)", "—" without an entry.
std::string LongPeriodEntryText(const TLongPeriodEntry* entry);

// Appends the alarms' lines (with SaveEventLog). A line the disk refuses waits in memory and goes
// first with the next one; the failure is reported once per outage.
class TLongPeriodLog {
 public:
  static constexpr const char* FailedText = "長周期地震動の記録が書き込みできません。";
  // Fails with FailedText (and the errno) at the first failure of an outage; Ok after, until a
  // line has been written again.
  TStatus Append(const TPanelSettings& settings, const TLocalDateTime& detected,
                     const TLongPeriodMeter::TPeak& peak);

 private:
  std::string waiting_;
  TOutage outage_;
};

}  // namespace tevra
