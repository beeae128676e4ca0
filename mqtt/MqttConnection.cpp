#include "mqtt/MqttConnection.h"

#include <arpa/inet.h>
#include <mosquitto.h>

#include <cerrno>
#include <mutex>

namespace tevra {
namespace {

// errno's English text alone, as libmosquitto's own reasons come without the call's name.
TError ErrnoError(int err) {
  return {ErrnoText(err), err};
}

TError MosquittoError(int rc) {
  return rc == MOSQ_ERR_ERRNO ? ErrnoError(errno) : TError{mosquitto_strerror(rc)};
}

}  // namespace

std::string MqttEndpoint(const TMqttConnection& c) {
  return c.Host + ":" + std::to_string(c.Port);
}

bool IsLoopbackHost(const std::string& host) {
  if (host == "localhost" || host == "::1") return true;
  in_addr a{};
  return inet_pton(AF_INET, host.c_str(), &a) == 1 && (ntohl(a.s_addr) >> 24) == 127;
}

bool PasswordInClear(const TMqttConnection& c) {
  return !c.Password.empty() && !c.Tls && !IsLoopbackHost(c.Host);
}

void TMosquittoFree::operator()(mosquitto* m) const {
  mosquitto_destroy(m);
}

std::string MosquittoErrorText(int rc) {
  return MosquittoError(rc).Message;
}

std::string TlsFailureText(const TMqttConnection& c, int rc, bool answered, const std::string& logError) {
  if (logError.find("SSL") != std::string::npos) return "TLS: " + logError;
  const bool ended = rc == MOSQ_ERR_PROTOCOL || (rc == MOSQ_ERR_ERRNO && errno == EPROTO);
  const bool tls = rc == MOSQ_ERR_TLS || (c.Tls && !answered && ended);
  return tls ? "TLS: " + MosquittoErrorText(rc) : "";
}

TResult<TMosquittoHandle> NewMosquitto(const TMqttConnection& c, const std::string& willTopic,
                                       const std::string& willPayload, void* userData) {
  static std::once_flag once;
  std::call_once(once, [] { mosquitto_lib_init(); });
  TMosquittoHandle h(mosquitto_new(c.ClientId.empty() ? nullptr : c.ClientId.c_str(), true, userData));
  if (!h) return ErrnoError(errno);
  mosquitto_int_option(h.get(), MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
  int rc = MOSQ_ERR_SUCCESS;
  if (!c.Username.empty()) {
    rc = mosquitto_username_pw_set(h.get(), c.Username.c_str(),
                                   c.Password.empty() ? nullptr : c.Password.c_str());
  }
  if (rc == MOSQ_ERR_SUCCESS && c.Tls) {
    const bool withCert = !c.CertFile.empty() && !c.KeyFile.empty();
    rc = mosquitto_tls_set(h.get(), c.CaFile.c_str(), nullptr, withCert ? c.CertFile.c_str() : nullptr,
                           withCert ? c.KeyFile.c_str() : nullptr, nullptr);
    if (rc == MOSQ_ERR_INVAL) return TError{"TLSの証明書ファイルを読めません"};
  }
  if (rc == MOSQ_ERR_SUCCESS && !willTopic.empty()) {
    rc = mosquitto_will_set(h.get(), willTopic.c_str(), static_cast<int>(willPayload.size()),
                            willPayload.data(), 1, true);
  }
  if (rc != MOSQ_ERR_SUCCESS) return MosquittoError(rc);
  return h;
}

}  // namespace tevra
