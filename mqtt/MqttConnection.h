#pragma once
// Where and how to reach the broker, and one libmosquitto handle set up for it.
#include <memory>
#include <string>

#include "base/Result.h"

struct mosquitto;
struct mosquitto_message;

namespace tevra {

struct TMqttConnection {
  std::string Host;
  int Port = 1883;
  bool Tls = false;
  std::string CaFile;
  std::string CertFile;  // with KeyFile: a client certificate
  std::string KeyFile;
  std::string Username;
  std::string Password;  // from the password file; never logged
  std::string ClientId;
  int KeepAliveSeconds = 30;
};

// "host:port" for log lines.
std::string MqttEndpoint(const TMqttConnection& c);
bool IsLoopbackHost(const std::string& host);
// A password going in clear text to a host outside this machine.
bool PasswordInClear(const TMqttConnection& c);

struct TMosquittoFree {
  void operator()(mosquitto* m) const;
};
using TMosquittoHandle = std::unique_ptr<mosquitto, TMosquittoFree>;

// A new handle for MQTT 3.1.1 with a clean session, the credentials, TLS and the last will (none
// when `willTopic` is empty); `userData` goes to the callbacks.
TResult<TMosquittoHandle> NewMosquitto(const TMqttConnection& c, const std::string& willTopic,
                                       const std::string& willPayload, void* userData);

// The reason of a libmosquitto result code, with errno's text for a system error.
std::string MosquittoErrorText(int rc);

// The reason of a failed TLS handshake ("" when `rc` is no such failure). OpenSSL's own reason comes
// through libmosquitto's error log (`logError`); a broker refusing our certificate under TLS 1.3
// ends the connection after the handshake, before it answers (`answered` false).
std::string TlsFailureText(const TMqttConnection& c, int rc, bool answered, const std::string& logError);

}  // namespace tevra
