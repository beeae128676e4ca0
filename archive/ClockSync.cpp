#include "archive/ClockSync.h"

#include <sys/timex.h>

namespace tevra {

bool SystemClockSynced() {
  timex t{};  // modes 0: a query, allowed without privileges
  const int state = ntp_adjtime(&t);
  return state != -1 && state != TIME_ERROR && (t.status & STA_UNSYNC) == 0;
}

}  // namespace tevra
