#include "output/RecordOutcome.h"

namespace tevra {

void CarryOut(const TRecordOutcome& outcome, TPlatform& platform,
              const std::function<void()>& stopMeasurement) {
  const bool message = !outcome.Message.empty();
  if (message && outcome.MessageFirst) platform.MessageBox(outcome.Message, "", false);
  if (outcome.StopMeasuring && stopMeasurement) stopMeasurement();
  if (message && !outcome.MessageFirst) platform.MessageBox(outcome.Message, "", false);
}

}  // namespace tevra
