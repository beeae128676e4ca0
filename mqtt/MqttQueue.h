#pragma once
// Our queue in front of libmosquitto, whose own queue has no bound: a fixed number of messages,
// of which a fixed number may be alarms. When it is full the oldest intensity goes (or, without
// one, the oldest retained message); an alarm is never pushed out, and one beyond the alarms'
// bound is refused, so the oldest alarms are the ones kept.
#include <cstddef>
#include <deque>
#include <optional>
#include <string>

#include "mqtt/MqttPayloads.h"

namespace tevra {

enum class TMqttKind {
  Intensity,   // QoS 0, droppable
  Retained,    // QoS 1 retained: a newer one of the same topic replaces a queued one
  Alarm,       // QoS 1, never dropped; its payload is written when it is handed over
  AlarmState,  // QoS 1 retained, never dropped nor replaced: an ON then OFF both go out
};

struct TMqttMessage {
  TMqttKind Kind = TMqttKind::Intensity;
  std::string Topic;
  std::string Payload;
  std::optional<TAlarmEvent> Alarm;
  bool Late = false;  // an alarm that waited for the broker
  int Qos() const { return Kind == TMqttKind::Intensity ? 0 : 1; }
  bool Retain() const { return Kind == TMqttKind::Retained || Kind == TMqttKind::AlarmState; }
  bool IsAlarm() const { return Kind == TMqttKind::Alarm || Kind == TMqttKind::AlarmState; }
};

class TMqttQueue {
 public:
  TMqttQueue(std::size_t capacity, std::size_t alarmCapacity);

  // False when the message is refused (an alarm beyond the alarms' bound).
  bool Push(TMqttMessage message);
  // Ahead of every other: an alarm handed over but not confirmed, or what a connection starts with
  // (a retained one replaces a queued one of its topic).
  void PushFront(TMqttMessage message);
  std::optional<TMqttMessage> Pop();
  // The broker went away: every alarm still queued will arrive late.
  void MarkAlarmsLate();

  std::size_t Size() const { return messages_.size(); }
  std::size_t Alarms() const { return alarms_; }
  long long DroppedIntensity() const { return droppedIntensity_; }
  long long RefusedAlarms() const { return refusedAlarms_; }

 private:
  bool DropOldest(TMqttKind kind);
  void DropSameRetained(const TMqttMessage& message);

  std::deque<TMqttMessage> messages_;
  std::size_t capacity_;
  std::size_t alarmCapacity_;
  std::size_t alarms_ = 0;
  long long droppedIntensity_ = 0;
  long long refusedAlarms_ = 0;
};

}  // namespace tevra
