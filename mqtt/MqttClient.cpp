#include "mqtt/MqttClient.h"

#include <mosquitto.h>
#include <pthread.h>

#include <algorithm>

namespace tevra {
namespace {

constexpr int kStopPollMs = 20;

double AgeSeconds(const TAlarmEvent& event) {
  const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count();
  return std::max(0.0, static_cast<double>(now - event.Figures.UtcMicros) / 1e6);
}

}  // namespace

TMqttClient::TMqttClient(TMqttConnection connection, TMqttSession session, TLog log, TMqttLimits limits)
    : connection_(std::move(connection)),
      session_(std::move(session)),
      log_(std::move(log)),
      limits_(limits),
      queue_(limits.Queue, limits.Alarms),
      delayMs_(limits.FirstRetryMs),
      thread_([this] { Run(); }) {}

TMqttClient::~TMqttClient() {
  Stop(std::nullopt, 0);
}

void TMqttClient::Publish(TMqttMessage message) {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (message.Alarm && !connected_) message.Late = true;
  queue_.Push(std::move(message));
}

void TMqttClient::Stop(std::optional<TMqttMessage> last, int waitMs) {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (stop_) return;
    stop_ = true;
    last_ = std::move(last);
    waitMs_ = waitMs;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

TMqttCounts TMqttClient::Counts() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return {queue_.Size(),          inFlightCount_, queue_.DroppedIntensity(),
          queue_.RefusedAlarms(), connects_,      connected_};
}

void TMqttClient::Log(const std::string& line) const {
  if (log_) log_(line);
}

void TMqttClient::OnConnect(mosquitto*, void* self, int rc) {
  static_cast<TMqttClient*>(self)->connack_ = rc;
}

void TMqttClient::OnDisconnect(mosquitto*, void* self, int) {
  static_cast<TMqttClient*>(self)->lost_ = true;
}

void TMqttClient::OnPublish(mosquitto*, void* self, int mid) {
  auto* c = static_cast<TMqttClient*>(self);
  // A QoS 0 message may be confirmed inside mosquitto_publish, before its id is known to us.
  if (c->inFlight_.erase(mid) == 0) c->confirmedEarly_.insert(mid);
  c->inFlightCount_ = c->inFlight_.size();
}

void TMqttClient::OnMessage(mosquitto*, void* self, const mosquitto_message* message) {
  auto* c = static_cast<TMqttClient*>(self);
  if (!c->session_.OnMessage) return;
  std::vector<TMqttMessage> answer =
      c->session_.OnMessage(std::string(static_cast<const char*>(message->payload),
                                        static_cast<std::size_t>(std::max(message->payloadlen, 0))));
  for (TMqttMessage& m : answer) c->Publish(std::move(m));
}

void TMqttClient::OnLog(mosquitto*, void* self, int level, const char* text) {
  // OpenSSL's reason of a failed handshake reaches us only through the log.
  if (level == MOSQ_LOG_ERR && text) static_cast<TMqttClient*>(self)->tlsError_ = text;
}

bool TMqttClient::WaitUntil(TClock::time_point when) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_until(lock, when, [this] { return stop_; });
  return !stop_;
}

void TMqttClient::Run() {
  // Named, so that its share of the CPU can be read from /proc/PID/task.
  pthread_setname_np(pthread_self(), "tevra-mqtt");
  if (PasswordInClear(connection_)) {
    Log("MQTT: パスワードを暗号化せずに送ります（" + MqttEndpoint(connection_) + "）。TLSを使ってください");
  }
  nextAttempt_ = TClock::now();
  while (true) {
    if (phase_ == TPhase::Idle) {
      if (!WaitUntil(nextAttempt_)) break;
      StartConnect();
      continue;
    }
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) break;
    }
    Step();
  }
  Finish();
}

void TMqttClient::StartConnect() {
  TResult<TMosquittoHandle> handle =
      NewMosquitto(connection_, session_.WillTopic, session_.WillPayload, this);
  if (!handle) {
    Failed(handle.Error().Message, true);
    return;
  }
  handle_ = std::move(handle).Value();
  mosquitto_connect_callback_set(handle_.get(), OnConnect);
  mosquitto_disconnect_callback_set(handle_.get(), OnDisconnect);
  mosquitto_publish_callback_set(handle_.get(), OnPublish);
  mosquitto_message_callback_set(handle_.get(), OnMessage);
  mosquitto_log_callback_set(handle_.get(), OnLog);
  connack_ = -1;
  lost_ = false;
  tlsError_.clear();
  const int rc = mosquitto_connect_async(handle_.get(), connection_.Host.c_str(), connection_.Port,
                                         connection_.KeepAliveSeconds);
  if (rc != MOSQ_ERR_SUCCESS) {
    FailedWith(rc);
    return;
  }
  phase_ = TPhase::Connecting;
  connectStarted_ = TClock::now();
}

void TMqttClient::Step() {
  const int rc = mosquitto_loop(handle_.get(), limits_.PollMs, 1);
  if (phase_ == TPhase::Connecting && connack_ == 0) Connected();
  if (connack_ > 0) {
    Failed(std::string("接続を拒否されました: ") + mosquitto_connack_string(connack_), true);
    return;
  }
  if (rc != MOSQ_ERR_SUCCESS || lost_) {
    FailedWith(rc);
    return;
  }
  if (phase_ == TPhase::Connecting &&
      TClock::now() - connectStarted_ > std::chrono::milliseconds(limits_.AnswerTimeoutMs)) {
    Failed("応答がありません", false);
    return;
  }
  if (phase_ == TPhase::Up) Pump();
}

void TMqttClient::Connected() {
  phase_ = TPhase::Up;
  delayMs_ = limits_.FirstRetryMs;
  confirmedEarly_.clear();
  ++connects_;
  long long dropped = 0;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    connected_ = true;
    dropped = queue_.DroppedIntensity() - droppedAtOutage_;
  }
  if (outage_) {
    Log("MQTT: ブローカーに再接続しました（" + MqttEndpoint(connection_) + "、送れなかった震度 " +
        std::to_string(dropped) + " 件）");
  } else {
    Log("MQTT: ブローカーに接続しました（" + MqttEndpoint(connection_) + "）");
  }
  outage_ = false;
  outageReason_.clear();
  if (!session_.Subscription.empty()) {
    mosquitto_subscribe(handle_.get(), nullptr, session_.Subscription.c_str(), 1);
  }
  if (session_.Birth) {
    std::vector<TMqttMessage> birth = session_.Birth();
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = birth.rbegin(); it != birth.rend(); ++it) queue_.PushFront(std::move(*it));
  }
}

void TMqttClient::FailedWith(int rc) {
  // A failed handshake is no outage: it fails again until someone mends certificates.
  const std::string tls = TlsFailureText(connection_, rc, phase_ == TPhase::Up, tlsError_);
  if (!tls.empty()) {
    Failed(tls, true);
  } else {
    Failed(rc != MOSQ_ERR_SUCCESS ? MosquittoErrorText(rc) : "切断されました", false);
  }
}

void TMqttClient::Failed(const std::string& reason, bool slow) {
  const bool wasUp = phase_ == TPhase::Up;
  handle_.reset();
  phase_ = TPhase::Idle;
  connected_ = false;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    // Alarms the broker has not confirmed go out again, after the reconnection, marked late.
    for (auto it = inFlight_.rbegin(); it != inFlight_.rend(); ++it) {
      if (!it->second.IsAlarm()) continue;
      it->second.Late = true;
      queue_.PushFront(std::move(it->second));
    }
    queue_.MarkAlarmsLate();
    if (!outage_) droppedAtOutage_ = queue_.DroppedIntensity();
  }
  inFlight_.clear();
  inFlightCount_ = 0;
  if (wasUp) {
    Log("MQTT: ブローカーとの接続が切れました（" + MqttEndpoint(connection_) + "、" + reason + "）");
  } else if (!outage_ || reason != outageReason_) {
    Log("MQTT: ブローカーに接続できません（" + MqttEndpoint(connection_) + "、" + reason + "）");
  }
  outage_ = true;
  outageReason_ = reason;
  const int wait = slow ? limits_.LastRetryMs : delayMs_;
  delayMs_ = wasUp ? limits_.FirstRetryMs * 2 : std::min(delayMs_ * 2, limits_.LastRetryMs);
  nextAttempt_ = TClock::now() + std::chrono::milliseconds(wasUp ? limits_.FirstRetryMs : wait);
}

void TMqttClient::Pump() {
  while (phase_ == TPhase::Up && inFlight_.size() < limits_.InFlight) {
    std::optional<TMqttMessage> m;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      m = queue_.Pop();
    }
    if (!m || !Send(std::move(*m))) return;
  }
}

bool TMqttClient::Send(TMqttMessage m) {
  const std::string payload =
      m.Alarm ? AlarmPayload(*m.Alarm, m.Late ? std::optional<double>(AgeSeconds(*m.Alarm)) : std::nullopt)
              : m.Payload;
  int mid = 0;
  const int rc = mosquitto_publish(handle_.get(), &mid, m.Topic.c_str(), static_cast<int>(payload.size()),
                                   payload.data(), m.Qos(), m.Retain());
  if (rc != MOSQ_ERR_SUCCESS) {
    if (m.IsAlarm()) {
      const std::lock_guard<std::mutex> lock(mutex_);
      queue_.PushFront(std::move(m));
    }
    return false;
  }
  if (confirmedEarly_.erase(mid) == 0) inFlight_.emplace(mid, std::move(m));
  inFlightCount_ = inFlight_.size();
  return true;
}

void TMqttClient::Finish() {
  std::optional<TMqttMessage> last;
  int waitMs = 0;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    last = std::move(last_);
    waitMs = waitMs_;
  }
  const auto deadline = TClock::now() + std::chrono::milliseconds(waitMs);
  const auto drain = [&] {
    while (phase_ == TPhase::Up && TClock::now() < deadline) {
      Pump();
      bool empty = false;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        empty = queue_.Size() == 0;
      }
      if (empty && inFlight_.empty()) return;
      if (mosquitto_loop(handle_.get(), kStopPollMs, 1) != MOSQ_ERR_SUCCESS || lost_) phase_ = TPhase::Idle;
    }
  };
  if (phase_ == TPhase::Up) {
    drain();
    if (last && phase_ == TPhase::Up && Send(std::move(*last))) drain();
    if (phase_ == TPhase::Up) {
      mosquitto_disconnect(handle_.get());
      mosquitto_loop(handle_.get(), kStopPollMs, 1);
    }
  }
  handle_.reset();
  connected_ = false;
}

}  // namespace tevra
