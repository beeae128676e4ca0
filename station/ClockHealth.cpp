#include "station/ClockHealth.h"

#include <sys/timex.h>

#include "base/TextFormat.h"

namespace tevra {

bool KernelClockQuery(TClockReading& reading) {
  timex tx{};
  tx.modes = 0;  // only read
  const int state = ::ntp_adjtime(&tx);
  if (state < 0) return false;
  reading.State = state;
  reading.Status = tx.status;
  reading.EstimatedErrorUs = tx.esterror;
  return true;
}

TClockHealth ReadClockHealth(const TClockQuery& query) {
  TClockReading reading;
  TClockHealth health;
  if (!query || !query(reading)) return health;
  health.Known = true;
  health.Synchronised = reading.State != TIME_ERROR && (reading.Status & STA_UNSYNC) == 0;
  health.EstimatedErrorUs = reading.EstimatedErrorUs;
  return health;
}

std::string ClockHealthText(const TClockHealth& health) {
  if (!health.Known) return "時刻 不明";
  if (!health.Synchronised) return "時刻未同期";
  return Printf("時刻同期 ±%.1fms", static_cast<double>(health.EstimatedErrorUs) / 1000.0);
}

}  // namespace tevra
