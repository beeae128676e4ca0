#pragma once
// The station's topics under its prefix, and its Home Assistant discovery configs.
#include <string>
#include <vector>

namespace tevra {

struct TMqttStationTopics {
  std::string Prefix;
  std::string Availability() const { return Prefix + "/availability"; }
  std::string State() const { return Prefix + "/state"; }
  std::string Intensity() const { return Prefix + "/intensity"; }
  std::string Alarm() const { return Prefix + "/alarm"; }
  std::string AlarmState() const { return Prefix + "/alarm/state"; }
};

// "tevra/<NET>.<STA>".
std::string DefaultTopicPrefix(const std::string& network, const std::string& station);
// A prefix one may publish under: not empty, no wildcards, no empty level, no NUL.
bool IsTopicPrefix(const std::string& prefix);

struct TDiscoveryDevice {
  std::string Network;
  std::string Station;
  std::string Model;
  std::string Version;
  std::string DiscoveryPrefix = "homeassistant";
  bool Alarms = true;  // the alarm's binary sensor
};

// "tevra_<NET>_<STA>" with every character outside [a-zA-Z0-9_-] as '_'.
std::string DiscoveryNodeId(const std::string& network, const std::string& station);

struct TTopicMessage {
  std::string Topic;
  std::string Payload;
};

// The retained configs that make Home Assistant create the station's entities.
std::vector<TTopicMessage> DiscoveryConfigs(const TDiscoveryDevice& device, const TMqttStationTopics& topics);
// The same topics with empty payloads: Home Assistant removes the entities.
std::vector<TTopicMessage> DiscoveryRemovals(const TDiscoveryDevice& device);

}  // namespace tevra
