#include "ui/panel/PanelMqtt.h"

#include "core/LongPeriod.h"
#include "settings/Profile.h"
#include "ui/dialogs/Mqtt_form.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelLongPeriod.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {
namespace {

constexpr int kOfflineWaitMs = 1000;

std::int64_t Micros(TPlatform& platform) {
  return platform.UtcMicros();
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TPanelMqtt::TPanelMqtt(TPlatform& platform, TForm1& panel) : platform_(platform), panel_(panel) {
  SettingsAction = new QAction(QStringLiteral("MQTT設定(&Q)"), &panel);
  panel.N2->addAction(SettingsAction);
  QObject::connect(SettingsAction, &QAction::triggered, &panel, [this] { OpenDialog(); });
  timer_.setInterval(kRefreshMs);
  QObject::connect(&timer_, &QTimer::timeout, &panel, [this] { Refresh(); });
}

TPanelMqtt::~TPanelMqtt() {
  if (retiring_.valid()) retiring_.wait();
  if (station_) station_->Stop(kOfflineWaitMs);
  if (remover_) remover_->Stop(std::nullopt, kOfflineWaitMs);
}

TResult<TMqttStationConfig> TPanelMqtt::ConfigFor(const TMqttSettings& s) const {
  const TDataOutputSettings& codes = panel_.DataOutput->Settings();
  return MqttStationConfigFor(s, "panel", codes.Network, codes.Station, TEVRA_VERSION, true);
}

TResult<TMqttConnection> TPanelMqtt::ConnectionFor(const TMqttSettings& settings) const {
  TMqttSettings s = settings;
  s.Enabled = true;  // a test before switching it on
  TResult<TMqttStationConfig> config = ConfigFor(s);
  if (!config) return config.Error();
  return std::move(config).Value().Connection;
}

void TPanelMqtt::Load() {
  if (panel_.SettingsFile) settings_ = LoadMqttSettings(*panel_.SettingsFile);
  timer_.start();
  if (!settings_.Enabled) return;
  const TResult<TMqttStationConfig> config = ConfigFor(settings_);
  if (!config) {
    panel_.LogNote("MQTT: " + config.Error().Message);
    return;
  }
  Start(config.Value());
}

void TPanelMqtt::Start(const TMqttStationConfig& config) {
  config_ = config;
  alarmOn_ = false;
  station_ = std::make_unique<TMqttStation>(config, [this](const std::string& line) {
    const std::lock_guard<std::mutex> lock(logMutex_);
    logLines_.push_back(line);
  });
  Refresh();
}

void TPanelMqtt::Retire() {
  if (!station_) return;
  if (retiring_.valid()) retiring_.wait();
  retiring_ = std::async(std::launch::async, [station = std::shared_ptr<TMqttStation>(std::move(station_))] {
    station->Stop(kOfflineWaitMs);
  });
}

TStatus TPanelMqtt::Apply(const TMqttSettings& settings) {
  TMqttStationConfig config;
  if (settings.Enabled) {
    TResult<TMqttStationConfig> configured = ConfigFor(settings);
    if (!configured) return configured.Error();
    config = std::move(configured).Value();
  } else if (const TStatus usable = CheckMqttSettings(settings); !usable) {
    return usable;
  }
  // The entities Home Assistant made from our configs go when MQTT or discovery is turned off.
  const bool discoveryEnds = station_ && config_.Discovery && !(settings.Enabled && settings.Discovery);
  const TMqttStationConfig previous = config_;
  if (panel_.SettingsFile) SaveMqttSettings(settings, *panel_.SettingsFile);
  settings_ = settings;
  Retire();
  if (discoveryEnds) {
    if (remover_) remover_->Stop(std::nullopt, 0);
    remover_ = StartRetainedPublisher(previous.Connection, DiscoveryRemovals(previous.Device));
  }
  if (settings.Enabled) Start(config);
  return {};
}

TIntensityReading TPanelMqtt::Reading(double intensity, double compositeGal, bool ofAlarm) const {
  TIntensityReading reading{Micros(platform_), intensity, compositeGal, std::nullopt, std::nullopt};
  TLongPeriodMeter::TPeak peak;
  if (ofAlarm && panel_.Tick.LongPeriod.AlarmRecording()) {
    peak = panel_.Tick.LongPeriod.AlarmPeak();
  } else if (ofAlarm || !panel_.LongPeriod || !panel_.LongPeriod->Live(peak)) {
    return reading;
  }
  reading.LongPeriodClass = std::to_string(LongPeriodClass(peak.Sva));
  reading.SvaCmS = peak.Sva;
  return reading;
}

void TPanelMqtt::NewIntensity(double intensity, double compositeGal) {
  if (station_) station_->Intensity(Reading(intensity, compositeGal, false));
}

void TPanelMqtt::AlarmStarted(double intensity, double compositeGal, const std::string& criterion) {
  alarmOn_ = true;
  if (!station_) return;
  station_->Alarm({true, Reading(intensity, compositeGal, false), criterion, ""});
}

void TPanelMqtt::AlarmEnded(double maxIntensity, double maxCompositeGal, const std::string& detailPath) {
  if (!alarmOn_) return;
  alarmOn_ = false;
  if (!station_) return;
  station_->Alarm({false, Reading(maxIntensity, maxCompositeGal, true), "", BaseName(detailPath)});
}

void TPanelMqtt::Refresh() {
  std::vector<std::string> lines;
  {
    const std::lock_guard<std::mutex> lock(logMutex_);
    lines.swap(logLines_);
  }
  for (const std::string& line : lines) panel_.LogNote(line);
  if (!station_) return;
  // New station codes (「データ出力設定」) are a new device with new topics.
  const TDataOutputSettings& codes = panel_.DataOutput->Settings();
  if (codes.Network != config_.Device.Network || codes.Station != config_.Device.Station) {
    Retire();
    const TResult<TMqttStationConfig> config = ConfigFor(settings_);
    if (config) {
      Start(config.Value());
    } else {
      panel_.LogNote("MQTT: " + config.Error().Message);
    }
    return;
  }
  PublishStatus();
}

void TPanelMqtt::StateChanged(TStationState state, bool alarm) {
  state_ = state;
  // A measurement stopped during an alarm ends it without the hold.
  if (alarmOn_ && !alarm) AlarmEnded(panel_.AlarmState.MaxIntensity, panel_.AlarmState.MaxComposite, "");
  PublishStatus();
}

void TPanelMqtt::PublishStatus() {
  if (!station_) return;
  station_->Status(StationStatusOf(state_, alarmOn_, panel_.Health->Line, panel_.Health->Clock(),
                                   panel_.Health->DiskLow(), TEVRA_VERSION),
                   platform_.MonotonicMs());
}

void TPanelMqtt::OpenDialog() {
  if (!Dialog) Dialog = std::make_unique<TMqttForm>(platform_, *this, &panel_);
  Dialog->exec();
}

}  // namespace tevra
