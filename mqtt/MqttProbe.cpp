#include "mqtt/MqttProbe.h"

#include <mosquitto.h>

#include <chrono>

namespace tevra {
namespace {

struct TProbeState {
  int Connack = -1;
  std::string LogError;
};

constexpr int kPollMs = 50;

}  // namespace

TMqttProbe::TMqttProbe(TMqttConnection connection, int timeoutMs)
    : connection_(std::move(connection)), thread_([this, timeoutMs] { Run(timeoutMs); }) {}

TMqttProbe::~TMqttProbe() {
  cancel_ = true;
  thread_.join();
}

TMqttProbeResult TMqttProbe::Result() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return result_;
}

void TMqttProbe::Set(TMqttProbeOutcome outcome, const std::string& reason) {
  const std::lock_guard<std::mutex> lock(mutex_);
  result_ = {outcome, reason};
}

void TMqttProbe::Run(int timeoutMs) {
  TProbeState state;
  // Its own client id: a test must not push the running connection off.
  connection_.ClientId += "-test";
  TResult<TMosquittoHandle> handle = NewMosquitto(connection_, "", "", &state);
  if (!handle) {
    Set(TMqttProbeOutcome::Refused, handle.Error().Message);
    return;
  }
  const TMosquittoHandle h = std::move(handle).Value();
  mosquitto_connect_callback_set(
      h.get(), [](mosquitto*, void* s, int rc) { static_cast<TProbeState*>(s)->Connack = rc; });
  mosquitto_log_callback_set(h.get(), [](mosquitto*, void* s, int level, const char* text) {
    if (level == MOSQ_LOG_ERR && text) static_cast<TProbeState*>(s)->LogError = text;
  });
  int rc = mosquitto_connect_async(h.get(), connection_.Host.c_str(), connection_.Port,
                                   connection_.KeepAliveSeconds);
  if (rc != MOSQ_ERR_SUCCESS) {
    Set(TMqttProbeOutcome::NoAnswer, MosquittoErrorText(rc));
    return;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!cancel_ && std::chrono::steady_clock::now() < until) {
    rc = mosquitto_loop(h.get(), kPollMs, 1);
    if (state.Connack == 0) {
      mosquitto_disconnect(h.get());
      Set(TMqttProbeOutcome::Connected, "");
      return;
    }
    if (state.Connack > 0) {
      Set(TMqttProbeOutcome::Refused, mosquitto_connack_string(state.Connack));
      return;
    }
    const std::string tls = TlsFailureText(connection_, rc, false, state.LogError);
    if (!tls.empty()) {
      Set(TMqttProbeOutcome::Refused, tls);
      return;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
      Set(TMqttProbeOutcome::NoAnswer, MosquittoErrorText(rc));
      return;
    }
  }
  Set(TMqttProbeOutcome::NoAnswer, "応答がありません");
}

std::string MqttProbeText(const TMqttProbeResult& r) {
  switch (r.Outcome) {
    case TMqttProbeOutcome::Pending:
      return "接続しています…";
    case TMqttProbeOutcome::Connected:
      return "接続できました";
    case TMqttProbeOutcome::Refused:
      return "接続を拒否されました: " + r.Reason;
    case TMqttProbeOutcome::NoAnswer:
      break;
  }
  return "応答がありません: " + r.Reason;
}

}  // namespace tevra
