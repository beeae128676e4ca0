#include "tools/monitor/MonitorMqtt.h"

#include <string>

#include "core/LongPeriod.h"

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
  const std::int64_t now = steady_.MonotonicMs();
  if (clockReadMs_ < 0 || now - clockReadMs_ >= 1000) {
    clock_ = ReadClockHealth(KernelClockQuery);
    clockReadMs_ = now;
  }
  station_.Status(StationStatusOf(state, false, health, clock_, false, TEVRA_VERSION), now);
}

}  // namespace tevra
