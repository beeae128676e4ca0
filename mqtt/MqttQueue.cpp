#include "mqtt/MqttQueue.h"

#include <algorithm>

namespace tevra {

TMqttQueue::TMqttQueue(std::size_t capacity, std::size_t alarmCapacity)
    : capacity_(std::max<std::size_t>(capacity, 2)),
      alarmCapacity_(std::clamp<std::size_t>(alarmCapacity, 1, capacity_ - 1)) {}

bool TMqttQueue::DropOldest(TMqttKind kind) {
  const auto it = std::find_if(messages_.begin(), messages_.end(),
                               [kind](const TMqttMessage& m) { return m.Kind == kind; });
  if (it == messages_.end()) return false;
  messages_.erase(it);
  if (kind == TMqttKind::Intensity) ++droppedIntensity_;
  return true;
}

void TMqttQueue::DropSameRetained(const TMqttMessage& message) {
  if (message.Kind != TMqttKind::Retained) return;
  const auto same = std::find_if(messages_.begin(), messages_.end(), [&](const TMqttMessage& m) {
    return m.Kind == TMqttKind::Retained && m.Topic == message.Topic;
  });
  if (same != messages_.end()) messages_.erase(same);
}

bool TMqttQueue::Push(TMqttMessage message) {
  if (message.IsAlarm() && alarms_ >= alarmCapacity_) {
    ++refusedAlarms_;
    return false;
  }
  DropSameRetained(message);
  // Alarms stay below the capacity, so something else can always make room.
  if (messages_.size() >= capacity_ && !DropOldest(TMqttKind::Intensity)) DropOldest(TMqttKind::Retained);
  if (message.IsAlarm()) ++alarms_;
  messages_.push_back(std::move(message));
  return true;
}

void TMqttQueue::PushFront(TMqttMessage message) {
  DropSameRetained(message);
  if (message.IsAlarm()) ++alarms_;
  messages_.push_front(std::move(message));
  while (messages_.size() > capacity_ &&
         (DropOldest(TMqttKind::Intensity) || DropOldest(TMqttKind::Retained))) {
  }
}

std::optional<TMqttMessage> TMqttQueue::Pop() {
  if (messages_.empty()) return std::nullopt;
  TMqttMessage m = std::move(messages_.front());
  messages_.pop_front();
  if (m.IsAlarm()) --alarms_;
  return m;
}

void TMqttQueue::MarkAlarmsLate() {
  for (TMqttMessage& m : messages_) {
    if (m.Alarm) m.Late = true;
  }
}

}  // namespace tevra
