#include "alarm/AlarmCriteria.h"

#include <cstdio>

#include "core/Tevra.h"

namespace tevra {
namespace {

// Lower bound of each class the dialog offers, and the upper bound that IntensityClassName uses.
struct TClassItem {
  double threshold;
  double upperBound;
};
constexpr TClassItem kClassItems[] = {
    {0.5, 1.4}, {1.5, 2.4}, {2.5, 3.4}, {3.5, 4.4},   {4.5, 4.9},
    {5.0, 5.4}, {5.5, 5.9}, {6.0, 6.4}, {6.5, 1e308},
};
constexpr int kClassItemCount = sizeof kClassItems / sizeof kClassItems[0];

}  // namespace

TAlarmLabels AlarmLabelTexts(const TPanelSettings& settings) {
  // The widest int and a 310-digit double both fit with the texts.
  char buf[400];
  switch (settings.AlarmKind) {
    case akIntensityClass:
      std::snprintf(buf, sizeof buf, "警報震度 %s (震度階級)", IntensityClassName(settings.AlarmIntensity));
      return {buf, "計測震度"};
    case akInstrumentalIntensity:
      std::snprintf(buf, sizeof buf, "警報震度 %.1f (計測震度)", settings.AlarmIntensity);
      return {buf, "計測震度"};
    default:
      std::snprintf(buf, sizeof buf, "警報加速度　%d (gal)", settings.AlarmAcceleration);
      return {buf, "計測加速度(gal)"};
  }
}

bool IsExceedance(const TPanelSettings& settings, double currentIntensity, double tickMaxComposite) {
  if (settings.AlarmKind == akCompositeAcceleration) {
    return tickMaxComposite >= static_cast<double>(settings.AlarmAcceleration);
  }
  return currentIntensity >= settings.AlarmIntensity;
}

std::int64_t AlarmClockSeconds(TMonotonicClock& clock) {
  const std::int64_t ms = clock.MonotonicMs();
  // Floor, so that the seconds stay whole steps also for a clock below zero.
  return ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
}

double ClassItemThreshold(int itemIndex) {
  if (itemIndex < 0) itemIndex = 0;
  if (itemIndex >= kClassItemCount) itemIndex = kClassItemCount - 1;
  return kClassItems[itemIndex].threshold;
}

int ClassItemOf(double alarmIntensity) {
  for (int i = 0; i < kClassItemCount - 1; ++i) {
    if (alarmIntensity <= kClassItems[i].upperBound) return i;
  }
  return kClassItemCount - 1;
}

}  // namespace tevra
