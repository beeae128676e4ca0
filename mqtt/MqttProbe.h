#pragma once
// One connection attempt in a thread of its own, for a settings dialog's connection test: the
// caller polls Result() and never waits on the network.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "mqtt/MqttConnection.h"

namespace tevra {

enum class TMqttProbeOutcome { Pending, Connected, Refused, NoAnswer };

struct TMqttProbeResult {
  TMqttProbeOutcome Outcome = TMqttProbeOutcome::Pending;
  std::string Reason;  // the broker's or the system's, for Refused and NoAnswer
};

class TMqttProbe {
 public:
  explicit TMqttProbe(TMqttConnection connection, int timeoutMs = 5000);
  ~TMqttProbe();
  TMqttProbeResult Result() const;

 private:
  void Run(int timeoutMs);
  void Set(TMqttProbeOutcome outcome, const std::string& reason);

  TMqttConnection connection_;
  mutable std::mutex mutex_;
  TMqttProbeResult result_;
  std::atomic<bool> cancel_{false};
  std::thread thread_;
};

// The dialog's text for a result: 「接続できました」 and so on.
std::string MqttProbeText(const TMqttProbeResult& result);

}  // namespace tevra
