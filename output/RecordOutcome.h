#pragma once
// What the main window has to do after a recorder step: the step itself never stops measuring
// or shows a box, it says so, and the window carries it out in the order given.
#include <functional>
#include <string>

#include "base/Platform.h"

namespace tevra {

struct TRecordOutcome {
  bool Ok = true;              // false ends the tick at once
  bool StopMeasuring = false;  // StopMeasurement is due
  bool MessageFirst = false;   // the message comes before the stop
  std::string Message;         // "" = none; else a box with an empty title and OK
};

// Shows the message and calls `stopMeasurement` in the outcome's order.
void CarryOut(const TRecordOutcome& outcome, TPlatform& platform,
              const std::function<void()>& stopMeasurement);

}  // namespace tevra
