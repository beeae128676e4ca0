#include "mqtt/MqttTopics.h"

#include "json/StationJson.h"

namespace tevra {
namespace {

struct TEntity {
  const char* Component;
  const char* ObjectId;
  const char* Name;
  const char* Unit;  // "" for none
  const char* Value;
  bool OnStateTopic;  // the state topic instead of the intensity topic
};

constexpr TEntity kSensors[] = {
    {"sensor", "intensity", "計測震度", "", "{{ value_json.intensity }}", false},
    {"sensor", "class", "震度階級", "", "{{ value_json.class }}", false},
    {"sensor", "acceleration", "合成加速度", "gal", "{{ value_json.acceleration_gal }}", false},
    {"sensor", "state", "状態", "", "{{ value_json.state }}", true},
    {"sensor", "frames", "フレーム/秒", "frames/s", "{{ value_json.frames_per_second }}", true},
};
constexpr const char* kAlarmComponent = "binary_sensor";
constexpr const char* kAlarmObjectId = "alarm";

std::string ConfigTopic(const TDiscoveryDevice& d, const char* component, const char* objectId) {
  return d.DiscoveryPrefix + "/" + component + "/" + DiscoveryNodeId(d.Network, d.Station) + "/" + objectId +
         "/config";
}

std::string DeviceJson(const TDiscoveryDevice& d) {
  return TJsonObject()
      .Raw("identifiers",
           std::string(1, '[').append(JsonString(DiscoveryNodeId(d.Network, d.Station))).append("]"))
      .Text("name", "tevra " + d.Network + "." + d.Station)
      .Text("model", d.Model)
      .Text("sw_version", d.Version)
      .Json();
}

TJsonObject Common(const TDiscoveryDevice& d, const TMqttStationTopics& topics, const char* objectId,
                   const char* name) {
  TJsonObject json;
  json.Text("name", name)
      .Text("unique_id", DiscoveryNodeId(d.Network, d.Station) + "_" + objectId)
      .Text("availability_topic", topics.Availability())
      .Text("payload_available", "online")
      .Text("payload_not_available", "offline");
  return json;
}

}  // namespace

std::string DefaultTopicPrefix(const std::string& network, const std::string& station) {
  return "tevra/" + network + "." + station;
}

bool IsTopicPrefix(const std::string& prefix) {
  if (prefix.empty() || prefix.front() == '/' || prefix.back() == '/') return false;
  if (prefix.find("//") != std::string::npos) return false;
  for (const char c : prefix) {
    if (c == '+' || c == '#' || c == '\0' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

std::string DiscoveryNodeId(const std::string& network, const std::string& station) {
  std::string id = "tevra_" + network + "_" + station;
  for (char& c : id) {
    const bool allowed =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    if (!allowed) c = '_';
  }
  return id;
}

std::vector<TTopicMessage> DiscoveryConfigs(const TDiscoveryDevice& d, const TMqttStationTopics& topics) {
  std::vector<TTopicMessage> out;
  const std::string device = DeviceJson(d);
  for (const TEntity& e : kSensors) {
    TJsonObject json = Common(d, topics, e.ObjectId, e.Name);
    json.Text("state_topic", e.OnStateTopic ? topics.State() : topics.Intensity())
        .Text("value_template", e.Value);
    if (*e.Unit) json.Text("unit_of_measurement", e.Unit).Text("state_class", "measurement");
    out.push_back({ConfigTopic(d, e.Component, e.ObjectId), json.Raw("device", device).Json()});
  }
  if (d.Alarms) {
    TJsonObject json = Common(d, topics, kAlarmObjectId, "警報");
    json.Text("state_topic", topics.AlarmState())
        .Text("device_class", "vibration")
        .Text("payload_on", "ON")
        .Text("payload_off", "OFF")
        .Raw("device", device);
    out.push_back({ConfigTopic(d, kAlarmComponent, kAlarmObjectId), json.Json()});
  }
  return out;
}

std::vector<TTopicMessage> DiscoveryRemovals(const TDiscoveryDevice& d) {
  std::vector<TTopicMessage> out;
  for (const TEntity& e : kSensors) out.push_back({ConfigTopic(d, e.Component, e.ObjectId), ""});
  out.push_back({ConfigTopic(d, kAlarmComponent, kAlarmObjectId), ""});
  return out;
}

}  // namespace tevra
