#pragma once
// A station on MQTT: its figures, state and alarms on the station's topics, availability with a
// last will, and the Home Assistant discovery configs on every connect and whenever Home
// Assistant announces itself. Every call only queues; nothing here waits on the network.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "mqtt/MqttClient.h"
#include "mqtt/MqttSettings.h"
#include "mqtt/MqttTopics.h"
#include "station/ClockHealth.h"
#include "sensor/LineHealth.h"

namespace tevra {

struct TMqttStationConfig {
  TMqttConnection Connection;
  std::string Prefix;  // the topics' prefix
  bool Discovery = true;
  TDiscoveryDevice Device;  // codes, model, version, discovery prefix; Alarms: the alarm topics too
};

// The configuration of `program` ("panel", "monitor") for station NET.STA from section [MQTT];
// an error for bad settings or an unreadable password file.
TResult<TMqttStationConfig> MqttStationConfigFor(const TMqttSettings& settings, const std::string& program,
                                                 const std::string& network, const std::string& station,
                                                 const std::string& version, bool alarms);

// A station's status from its line's health and its clock.
TStationStatus StationStatusOf(TStationState state, bool alarm, const TLineHealth& line,
                               const TClockHealth& clock, bool lowDisk, const std::string& version);

class TMqttStation {
 public:
  static constexpr std::int64_t kStateEveryMs = 60000;

  TMqttStation(TMqttStationConfig config, TMqttClient::TLog log, TMqttLimits limits = {});
  ~TMqttStation();

  void Intensity(const TIntensityReading& reading);
  // An alarm's start or end: the event, and the binary sensor's ON or OFF.
  void Alarm(const TAlarmEvent& event);
  // Published when it differs from the last one sent, and once a minute.
  void Status(const TStationStatus& status, std::int64_t monotonicMs);
  // "offline" and the end of the connection (at most `waitMs`).
  void Stop(int waitMs = 1000);

  const TMqttStationTopics& Topics() const { return topics_; }
  TMqttCounts Counts() const { return client_->Counts(); }

 private:
  std::vector<TMqttMessage> Birth();
  std::vector<TMqttMessage> Discovery() const;

  TMqttStationConfig config_;
  TMqttStationTopics topics_;
  mutable std::mutex mutex_;  // the last status and alarm state, read by the client's thread
  TStationStatus status_;
  bool statusSent_ = false;
  std::int64_t statusSentMs_ = 0;
  bool alarmOn_ = false;
  std::unique_ptr<TMqttClient> client_;
};

// A client of its own that publishes `messages` as retained on connecting (empty ones remove what is
// retained): the discovery configs' removal when MQTT or discovery is turned off. Stop it when done.
std::unique_ptr<TMqttClient> StartRetainedPublisher(TMqttConnection connection,
                                                    std::vector<TTopicMessage> messages);

}  // namespace tevra
