#include "tools/monitor/MonitorMqtt.h"

#include <string>

#include "core/LongPeriod.h"
#include "station/ClockHealth.h"

namespace tevra {

void TMonitorMqtt::Tick(const TickProcessor& tick, const TLineHealth& health, std::int64_t utcMicros) {
  if (tick.IntensityUpdated) {
    const double sva = tick.LongPeriod.LastMinute().Sva;
    station_.Intensity(
        {utcMicros, tick.CurrentIntensity, tick.TickMaxComposite, std::to_string(LongPeriodClass(sva)), sva});
  }
  Publish(TStationState::Measuring, health);
}

void TMonitorMqtt::CheckFailed(const TLineHealth& health) {
  Publish(TStationState::Reconnecting, health);
}

void TMonitorMqtt::Stopped() {
  Publish(TStationState::Stopped, TLineHealth());
}

void TMonitorMqtt::Publish(TStationState state, const TLineHealth& health) {
  station_.Status(
      StationStatusOf(state, false, health, ReadClockHealth(KernelClockQuery), false, TEVRA_VERSION),
      platform_.MonotonicMs());
}

}  // namespace tevra
