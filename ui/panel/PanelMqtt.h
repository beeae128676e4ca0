#pragma once
// The panel on MQTT: section [MQTT], the station's client, the 「MQTT設定」 dialog. The
// measurement cycle hands it each new intensity and each alarm's start and end, the main window
// each change of its state; a timer of its own follows the health row (the state topic on a change
// or once a minute) and writes the client's log lines into the operation log.
#include <QAction>
#include <QTimer>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "json/StationJson.h"
#include "mqtt/MqttSettings.h"
#include "mqtt/MqttStation.h"

namespace tevra {

class TForm1;
class TMqttForm;

class TPanelMqtt {
 public:
  static constexpr int kRefreshMs = 500;

  // Adds 設定 > MQTT設定 to the panel's menu.
  TPanelMqtt(TPlatform& platform, TForm1& panel);
  ~TPanelMqtt();

  // Reads [MQTT] and starts what it asks for; a bad password file is an operation-log line.
  void Load();
  // Settings from the dialog: an error (nothing stored) when they cannot be used; otherwise kept
  // in the settings file and in force at once.
  TStatus Apply(const TMqttSettings& settings);
  const TMqttSettings& Settings() const { return settings_; }
  // The connection the settings describe, for the dialog's test.
  TResult<TMqttConnection> ConnectionFor(const TMqttSettings& settings) const;

  // From the measurement cycle; nothing here waits on the network.
  void NewIntensity(double intensity, double compositeGal);
  // `criterion`: "intensity", "acceleration" or "long_period", the one that fired.
  void AlarmStarted(double intensity, double compositeGal, const std::string& criterion);
  void AlarmEnded(double maxIntensity, double maxCompositeGal, const std::string& detailPath);
  // Measuring, waiting for the sensor or stopped, and the alarm: the state topic at once.
  void StateChanged(TStationState state, bool alarm);
  // The health figures and the client's log lines (the timer's work).
  void Refresh();

  void OpenDialog();
  TMqttStation* Station() { return station_.get(); }

  QAction* SettingsAction = nullptr;
  std::unique_ptr<TMqttForm> Dialog;

 private:
  // The figures with the long-period class and velocity: of the last 60 s, or of the alarm so far.
  TIntensityReading Reading(double intensity, double compositeGal, bool ofAlarm) const;
  TResult<TMqttStationConfig> ConfigFor(const TMqttSettings& settings) const;
  void Start(const TMqttStationConfig& config);
  // Ends the station's connection in the background (its "offline" may take a moment).
  void Retire();
  // The state topic, when it differs from the last one or a minute has passed.
  void PublishStatus();

  TPlatform& platform_;
  TForm1& panel_;
  TMqttSettings settings_;
  TMqttStationConfig config_;
  std::unique_ptr<TMqttStation> station_;
  std::unique_ptr<TMqttClient> remover_;  // empty discovery configs after turning it off
  std::future<void> retiring_;
  bool alarmOn_ = false;
  TStationState state_ = TStationState::Stopped;  // as the main window told it
  QTimer timer_;
  std::mutex logMutex_;
  std::vector<std::string> logLines_;  // from the client's thread, written by Refresh
};

}  // namespace tevra
