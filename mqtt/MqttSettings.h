#pragma once
// Section [MQTT] of "TevraPanel.ini": the broker, its security and the topics. The password is
// never kept here: only the name of a file of its own that no group or other user may read.
#include <string>

#include "base/Result.h"
#include "mqtt/MqttConnection.h"

namespace tevra {

class Profile;

inline constexpr const char* kMqttSection = "MQTT";

struct TMqttSettings {
  static constexpr int PlainPort = 1883;
  static constexpr int TlsPort = 8883;

  bool Enabled = false;
  std::string Host;
  int Port = PlainPort;
  bool Tls = false;
  std::string CaFile;
  std::string CertFile;
  std::string KeyFile;
  std::string Username;
  std::string PasswordFile;
  std::string TopicPrefix;  // "" for tevra/<NET>.<STA>
  bool Discovery = true;
  std::string DiscoveryPrefix = "homeassistant";
  bool operator==(const TMqttSettings&) const = default;
};

// Reads the section; a missing or bad value takes its default (the port 8883 with TLS).
TMqttSettings LoadMqttSettings(const Profile& profile);
// Writes the whole section in one replacement of the file.
void SaveMqttSettings(const TMqttSettings& settings, Profile& profile);

// Whether the settings can be used, or the name of the first bad value and why.
TStatus CheckMqttSettings(const TMqttSettings& settings);

// The password: the file's first line. An error when the file cannot be read, is no regular file
// or allows access to group or others.
TResult<std::string> ReadPasswordFile(const std::string& path);

// The connection of `program` ("panel", "monitor") for station NET.STA: a client id of its own
// per program and station, the password from its file. An error for bad settings or password file.
TResult<TMqttConnection> MqttConnectionFor(const TMqttSettings& settings, const std::string& program,
                                           const std::string& network, const std::string& station);

}  // namespace tevra
