#include "base/ClockSync.h"

#include <sys/timex.h>

namespace tevra {

bool KernelClockQuery(TClockReading& reading) {
  timex tx{};
  tx.modes = 0;  // only read, allowed without privileges
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

bool SystemClockSynced() { return ReadClockHealth(KernelClockQuery).Synchronised; }

}  // namespace tevra
