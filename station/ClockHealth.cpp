#include "station/ClockHealth.h"

#include "base/TextFormat.h"

namespace tevra {

std::string ClockHealthText(const TClockHealth& health) {
  if (!health.Known) return "時刻 不明";
  if (!health.Synchronised) return "時刻未同期";
  return Printf("時刻同期 ±%.1fms", static_cast<double>(health.EstimatedErrorUs) / 1000.0);
}

}  // namespace tevra
