// Our queue in front of libmosquitto: bounded, intensity dropped first, alarms kept oldest first.
#include <gtest/gtest.h>

#include "mqtt/MqttQueue.h"

namespace tevra {
namespace {

TMqttMessage Make(TMqttKind kind, const std::string& topic, const std::string& payload) {
  TMqttMessage m{kind, topic, payload, std::nullopt, false};
  if (kind == TMqttKind::Alarm) m.Alarm = TAlarmEvent{};
  return m;
}

std::string Payloads(TMqttQueue& q) {
  std::string out;
  while (auto m = q.Pop()) out += m->Payload + (m->Late ? "L " : " ");
  return out;
}

TEST(MqttQueue, FullQueueDropsOldestIntensityAndNeverAnAlarm) {
  TMqttQueue q(4, 2);
  q.Push(Make(TMqttKind::Intensity, "i", "i1"));
  q.Push(Make(TMqttKind::Alarm, "a", "a1"));
  q.Push(Make(TMqttKind::Intensity, "i", "i2"));
  q.Push(Make(TMqttKind::Retained, "s", "s1"));
  q.Push(Make(TMqttKind::Intensity, "i", "i3"));            // full: i1 goes
  q.Push(Make(TMqttKind::AlarmState, "s", "a2"));           // full: i2 goes
  EXPECT_FALSE(q.Push(Make(TMqttKind::Alarm, "a", "a3")));  // beyond the alarms' bound
  q.Push(Make(TMqttKind::Retained, "s", "s2"));             // replaces s1, not the alarm state
  q.Push(Make(TMqttKind::Retained, "t", "t1"));             // full: i3 goes
  q.Push(Make(TMqttKind::Intensity, "i", "i4"));            // full, no intensity: the oldest retained goes
  EXPECT_EQ(q.Size(), 4u);
  EXPECT_EQ(q.Alarms(), 2u);
  EXPECT_EQ(q.DroppedIntensity(), 3);
  EXPECT_EQ(q.RefusedAlarms(), 1);
  q.MarkAlarmsLate();
  q.PushFront(Make(TMqttKind::Alarm, "a", "a0"));  // an unconfirmed one back ahead: i4 goes
  EXPECT_EQ(Payloads(q), "a0 a1L a2 t1 ");
  EXPECT_EQ(q.Alarms(), 0u);
  EXPECT_FALSE(q.Pop());
}

}  // namespace
}  // namespace tevra
