#include "ui/panel/PanelWebOutput.h"

#include "history/HistoryFile.h"
#include "alarm/AlarmFileNames.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelHealth.h"
#include "ui/panel/Tevra_form.h"
#include "ui/dialogs/Web_form.h"
#include "web/WebRules.h"

#ifndef TEVRA_VERSION
#define TEVRA_VERSION "0"
#endif

namespace tevra {

TPanelWeb::TPanelWeb(TPlatform& platform, TForm1& panel)
    : Server(panel.LogNoteFromAnyThread()), platform_(platform), panel_(panel) {
  SettingsAction = new QAction(QStringLiteral("Web表示設定(&W)"), &panel);
  panel.N2->addAction(SettingsAction);
  QObject::connect(SettingsAction, &QAction::triggered, &panel, [this] { OpenDialog(); });
  idleTimer_.setInterval(1000);
  QObject::connect(&idleTimer_, &QTimer::timeout, &panel, [this] {
    if (snapshot_.State != TStationState::Measuring) Publish(nullptr, 0);
  });
}

// The server thread reads the folders through this object: it ends first.
TPanelWeb::~TPanelWeb() {
  Server.Stop();
}

void TPanelWeb::Load() {
  if (panel_.SettingsFile) settings_ = LoadWebSettings(*panel_.SettingsFile);
  Start();
}

void TPanelWeb::Apply(const TWebSettings& settings) {
  if (panel_.SettingsFile) SaveWebSettings(settings, *panel_.SettingsFile);
  settings_ = settings;
  Start();
}

TResult<std::string> TPanelWeb::Token() const {
  if (settings_.WebTokenFile.empty()) return std::string();
  return ReadTokenFile(settings_.WebTokenFile);
}

void TPanelWeb::Start() {
  Server.Stop();
  idleTimer_.stop();
  if (!settings_.Web) return;
  TWebServerOptions options;
  options.Address = settings_.WebAddress;
  options.Port = settings_.WebPort;
  options.CertFile = settings_.WebCertFile;
  options.KeyFile = settings_.WebKeyFile;
  const TResult<std::string> token = Token();
  if (token) {
    options.Token = token.Value();
  } else {
    panel_.LogNote("Web: " + token.Error().Message);
    if (!IsLoopbackAddress(options.Address)) return;
  }
  options.Ring = &panel_.DataOutput->Server.Ring();
  options.Identity = &panel_.DataOutput->Server.Identity();
  options.Site.History = [this](std::string_view span) {
    return WebHistoryJson(Files(), span, std::time(nullptr));
  };
  options.Site.Alarms = [this] { return WebAlarmsJson(Files()); };
  options.Site.AlarmPicture = [this](std::string_view id, std::string& png) {
    return WebAlarmPicture(Files(), id, png);
  };
  Publish(nullptr, 0);
  if (Server.Start(options).Ok()) idleTimer_.start();
}

TWebStationFiles TPanelWeb::Files() const {
  std::lock_guard lock(filesMutex_);
  return files_;
}

void TPanelWeb::AfterTick() {
  if (!Server.Running()) return;
  const TickProcessor& tick = panel_.Tick;
  if (tick.IntensityUpdated) {
    snapshot_.TimeMs = platform_.UtcMicros() / 1000;
    snapshot_.Intensity = tick.CurrentIntensity;
    snapshot_.AccelerationGal = tick.TickMaxComposite;
    snapshot_.SvaCmS = tick.LongPeriod.LastMinute().Sva;
  }
  Publish(tick.TickSamples.data(), tick.SampleCount);
}

void TPanelWeb::StateChanged(TStationState state, bool alarm) {
  snapshot_.State = state;
  if (alarm && !snapshot_.Alarm) snapshot_.AlarmSinceMs = platform_.UtcMicros() / 1000;
  if (!alarm) snapshot_.AlarmSinceMs = 0;
  snapshot_.Alarm = alarm;
  if (Server.Running()) Publish(nullptr, 0);
}

void TPanelWeb::Publish(const TAccelSample* samples, int count) {
  const TPanelSettings& s = panel_.Settings;
  snapshot_.Network = panel_.DataOutput->Settings().Network;
  snapshot_.Station = panel_.DataOutput->Settings().Station;
  snapshot_.Location = panel_.DataOutput->Settings().Location;
  snapshot_.Version = TEVRA_VERSION;
  snapshot_.KeepsHistory = true;
  snapshot_.Criterion = s.AlarmIntensity;
  if (panel_.Health) {
    snapshot_.FramesPerSecond = panel_.Health->Line.FramesPerSecond();
    snapshot_.Errors = panel_.Health->Line.FormatErrors() + panel_.Health->Line.ValueErrors();
    SetWebHealth(snapshot_, panel_.Health->Clock(), panel_.Health->LeastFree());
  }
  Server.Publish(snapshot_, samples, count);
  if (count == 0) {  // once a second is often enough for the folders
    std::lock_guard lock(filesMutex_);
    files_ = {HistoryBaseFolder(s), EventLogPath(s.EventFolder, s.SensorId), s.DetailFolder, s.SensorId};
  }
}

void TPanelWeb::OpenDialog() {
  if (!Dialog) Dialog = std::make_unique<TWebForm>(platform_, *this, &panel_);
  Dialog->exec();
}

}  // namespace tevra
