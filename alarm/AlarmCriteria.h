#pragma once
// Which quantity raises the alarm, how the criterion is labelled, and when an alarm ends.
#include <cstdint>
#include <string>

#include "base/Platform.h"
#include "settings/PanelSettings.h"

namespace tevra {

// Captions of the criterion line under the clock (Label1) and beside the large figure (Label2).
struct TAlarmLabels {
  std::string Label1;
  std::string Label2;
};
TAlarmLabels AlarmLabelTexts(const TPanelSettings& settings);

// Equality counts: kind 2 compares the tick's largest composite acceleration with the integer
// threshold, any other kind the unrounded intensity with AlarmIntensity.
bool IsExceedance(const TPanelSettings& settings, double currentIntensity, double tickMaxComposite);

// The alarm holds for 60 whole seconds after its last exceedance and ends at the first quiet
// evaluation after that.
constexpr std::int64_t kAlarmHoldSeconds = 60;
constexpr bool AlarmEndDue(std::int64_t nowSeconds, std::int64_t lastExceedSeconds) {
  return nowSeconds > lastExceedSeconds + kAlarmHoldSeconds;
}

// Whole seconds of the monotonic clock: an NTP step of the wall clock must neither stretch nor
// cut an alarm.
std::int64_t AlarmClockSeconds(TMonotonicClock& clock);

// The alarm dialog's class items "１" ... "７" (0 ... 8): the threshold stored for an item, and
// the item that shows a stored threshold.
double ClassItemThreshold(int itemIndex);
int ClassItemOf(double alarmIntensity);

}  // namespace tevra
