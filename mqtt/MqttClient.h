#pragma once
// An MQTT client with a network thread of its own. Publish() only queues (the caller never waits
// on the network); the thread connects, reconnects with back-off, hands queued messages to
// libmosquitto while fewer than a fixed number wait for the broker's confirmation, and writes one
// log line when the broker goes away and one when it is back.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "mqtt/MqttConnection.h"
#include "mqtt/MqttQueue.h"

namespace tevra {

struct TMqttLimits {
  std::size_t Queue = 256;
  std::size_t Alarms = 64;
  std::size_t InFlight = 16;  // handed to libmosquitto and not yet confirmed
  int FirstRetryMs = 1000;    // doubling up to the last
  int LastRetryMs = 60000;    // also the rate after a refused login or a TLS failure
  int AnswerTimeoutMs = 10000;
  int PollMs = 50;
};

// What each connection carries besides the queue. The functions run in the client's thread.
struct TMqttSession {
  std::string WillTopic;
  std::string WillPayload;
  // Sent on every connect, ahead of the queue (availability, retained state, discovery).
  std::function<std::vector<TMqttMessage>()> Birth;
  std::string Subscription;  // "" for none
  // A message on the subscription: what to publish in answer.
  std::function<std::vector<TMqttMessage>(const std::string& payload)> OnMessage;
};

struct TMqttCounts {
  std::size_t Queued = 0;
  std::size_t InFlight = 0;
  long long DroppedIntensity = 0;
  long long RefusedAlarms = 0;
  int Connects = 0;
  bool Connected = false;
};

class TMqttClient {
 public:
  using TLog = std::function<void(const std::string& line)>;  // runs in the client's thread

  TMqttClient(TMqttConnection connection, TMqttSession session, TLog log, TMqttLimits limits = {});
  ~TMqttClient();
  TMqttClient(const TMqttClient&) = delete;
  TMqttClient& operator=(const TMqttClient&) = delete;

  void Publish(TMqttMessage message);
  // Sends what is queued and then `last` (if any) for at most `waitMs`, disconnects and ends the
  // thread. The broker then does not send the last will.
  void Stop(std::optional<TMqttMessage> last = std::nullopt, int waitMs = 1000);
  TMqttCounts Counts() const;

 private:
  using TClock = std::chrono::steady_clock;
  enum class TPhase { Idle, Connecting, Up };

  static void OnConnect(struct mosquitto*, void* self, int rc);
  static void OnDisconnect(struct mosquitto*, void* self, int rc);
  static void OnPublish(struct mosquitto*, void* self, int mid);
  static void OnMessage(struct mosquitto*, void* self, const struct mosquitto_message* message);
  static void OnLog(struct mosquitto*, void* self, int level, const char* text);

  void Run();
  bool WaitUntil(TClock::time_point when);
  void StartConnect();
  void Step();
  void Connected();
  // The connection failed or was lost: the next try after the back-off, or the slow rate.
  void Failed(const std::string& reason, bool slow);
  // The same for a libmosquitto result: a TLS failure goes at the slow rate.
  void FailedWith(int rc);
  void Pump();
  bool Send(TMqttMessage message);
  void Finish();
  void Log(const std::string& line) const;

  TMqttConnection connection_;
  TMqttSession session_;
  TLog log_;
  TMqttLimits limits_;

  mutable std::mutex mutex_;  // guards queue_, stop_, last_, waitMs_
  std::condition_variable wake_;
  TMqttQueue queue_;
  bool stop_ = false;
  std::optional<TMqttMessage> last_;
  int waitMs_ = 0;
  std::atomic<bool> connected_{false};
  std::atomic<std::size_t> inFlightCount_{0};
  std::atomic<int> connects_{0};

  // The client thread's own.
  TMosquittoHandle handle_;
  TPhase phase_ = TPhase::Idle;
  int connack_ = -1;
  bool lost_ = false;
  std::string tlsError_;
  TClock::time_point connectStarted_;
  TClock::time_point nextAttempt_;
  int delayMs_;
  bool outage_ = false;
  std::string outageReason_;
  long long droppedAtOutage_ = 0;
  std::map<int, TMqttMessage> inFlight_;
  std::set<int> confirmedEarly_;
  std::thread thread_;
};

}  // namespace tevra
