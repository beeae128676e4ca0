#pragma once
// The monitor on MQTT: each new intensity with the long-period class of the last 60 s, and the
// line's state after every tick and every failed check. The monitor has no alarms.
#include "base/Platform.h"
#include "mqtt/MqttStation.h"
#include "base/ClockSync.h"
#include "tools/monitor/MonitorLoop.h"

namespace tevra {

class TMonitorMqtt : public TMonitorObserver {
 public:
  TMonitorMqtt(TMqttStation& station, TMonotonicClock& clock) : station_(station), steady_(clock) {}
  void Tick(const TickProcessor& tick, const TLineHealth& health, std::int64_t utcMicros) override;
  void Measuring(bool) override {}
  void CheckFailed(const TLineHealth& health) override;
  // The run is over: the state says so before the station goes offline.
  void Stopped();

 private:
  void Publish(TStationState state, const TLineHealth& health);
  TMqttStation& station_;
  TMonotonicClock& steady_;
  // The kernel's clock state, asked once a second rather than every tick.
  TClockHealth clock_;
  std::int64_t clockReadMs_ = -1;
};

}  // namespace tevra
