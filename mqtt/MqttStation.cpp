#include "mqtt/MqttStation.h"

namespace tevra {
namespace {

constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

TMqttMessage Retained(const std::string& topic, const std::string& payload) {
  return {TMqttKind::Retained, topic, payload, std::nullopt, false};
}

}  // namespace

TResult<TMqttStationConfig> MqttStationConfigFor(const TMqttSettings& settings, const std::string& program,
                                                 const std::string& network, const std::string& station,
                                                 const std::string& version, bool alarms) {
  TResult<TMqttConnection> connection = MqttConnectionFor(settings, program, network, station);
  if (!connection) return connection.Error();
  TMqttStationConfig config;
  config.Connection = std::move(connection).Value();
  config.Prefix = settings.TopicPrefix.empty() ? DefaultTopicPrefix(network, station) : settings.TopicPrefix;
  config.Discovery = settings.Discovery;
  config.Device = {network, station, "tevra_panel", version, settings.DiscoveryPrefix, alarms};
  return config;
}

TStationStatus StationStatusOf(TStationState state, bool alarm, const TLineHealth& line,
                               const TClockHealth& clock, bool lowDisk, const std::string& version) {
  TStationStatus s;
  s.State = state;
  s.Alarm = alarm;
  s.RateOutOfBounds = line.RateFlagged();
  s.FrozenSensor = line.Frozen();
  s.ClockUnsynchronised = clock.Known && !clock.Synchronised;
  s.LowDisk = lowDisk;
  s.FramesPerSecond = state == TStationState::Measuring ? line.FramesPerSecond() : 0.0;
  s.Version = version;
  return s;
}

TMqttStation::TMqttStation(TMqttStationConfig config, TMqttClient::TLog log, TMqttLimits limits)
    : config_(std::move(config)), topics_{config_.Prefix} {
  TMqttSession session;
  session.WillTopic = topics_.Availability();
  session.WillPayload = kOffline;
  session.Birth = [this] { return Birth(); };
  if (config_.Discovery) {
    session.Subscription = config_.Device.DiscoveryPrefix + "/status";
    // Home Assistant announcing itself (after its own restart) gets the configs again.
    session.OnMessage = [this](const std::string& payload) {
      return payload == kOnline ? Discovery() : std::vector<TMqttMessage>{};
    };
  }
  client_ = std::make_unique<TMqttClient>(config_.Connection, std::move(session), std::move(log), limits);
}

TMqttStation::~TMqttStation() {
  Stop(0);
}

std::vector<TMqttMessage> TMqttStation::Discovery() const {
  std::vector<TMqttMessage> out;
  if (!config_.Discovery) return out;
  for (const TTopicMessage& m : DiscoveryConfigs(config_.Device, topics_))
    out.push_back(Retained(m.Topic, m.Payload));
  return out;
}

std::vector<TMqttMessage> TMqttStation::Birth() {
  std::vector<TMqttMessage> out{Retained(topics_.Availability(), kOnline)};
  for (TMqttMessage& m : Discovery()) out.push_back(std::move(m));
  const std::lock_guard<std::mutex> lock(mutex_);
  if (statusSent_) out.push_back(Retained(topics_.State(), StatePayload(status_)));
  if (config_.Device.Alarms) out.push_back(Retained(topics_.AlarmState(), alarmOn_ ? "ON" : "OFF"));
  return out;
}

void TMqttStation::Intensity(const TIntensityReading& reading) {
  client_->Publish(
      {TMqttKind::Intensity, topics_.Intensity(), IntensityPayload(reading), std::nullopt, false});
}

void TMqttStation::Alarm(const TAlarmEvent& event) {
  client_->Publish({TMqttKind::Alarm, topics_.Alarm(), "", event, false});
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    alarmOn_ = event.Start;
  }
  client_->Publish(
      {TMqttKind::AlarmState, topics_.AlarmState(), event.Start ? "ON" : "OFF", std::nullopt, false});
}

void TMqttStation::Status(const TStationStatus& status, std::int64_t monotonicMs) {
  std::string payload;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (statusSent_ && !status.Differs(status_) && monotonicMs - statusSentMs_ < kStateEveryMs) return;
    status_ = status;
    statusSent_ = true;
    statusSentMs_ = monotonicMs;
    payload = StatePayload(status);
  }
  client_->Publish(Retained(topics_.State(), payload));
}

void TMqttStation::Stop(int waitMs) {
  client_->Stop(Retained(topics_.Availability(), kOffline), waitMs);
}

std::unique_ptr<TMqttClient> StartRetainedPublisher(TMqttConnection connection,
                                                    std::vector<TTopicMessage> messages) {
  // Its own client id: the station's connection must not be pushed off.
  connection.ClientId += "-retained";
  TMqttSession session;
  session.Birth = [messages = std::move(messages)] {
    std::vector<TMqttMessage> out;
    for (const TTopicMessage& m : messages) out.push_back(Retained(m.Topic, m.Payload));
    return out;
  };
  return std::make_unique<TMqttClient>(std::move(connection), std::move(session), TMqttClient::TLog{});
}

}  // namespace tevra
