#pragma once
// The panel's web page: the [Web] settings, the web server fed by the measurement cycle, and the
// 「Web表示設定」 dialog. The main window calls in at start-up, after every tick and on every change of
// its state; the clock and the free space are the health row's.
#include <QAction>
#include <QTimer>
#include <memory>
#include <mutex>
#include <string>

#include "base/Platform.h"
#include "base/Result.h"
#include "json/StationJson.h"
#include "web/WebServer.h"
#include "web/WebSettings.h"
#include "web/WebStationFiles.h"

namespace tevra {

class TForm1;
class TWebForm;

class TPanelWeb {
 public:
  // Adds 設定 > Web表示設定 to the panel's menu.
  TPanelWeb(TPlatform& platform, TForm1& panel);
  ~TPanelWeb();

  // Reads [Web] from the panel's settings file and starts what it asks for.
  void Load();
  // Takes settings from the dialog: kept in the settings file and in force at once. False, with
  // nothing stored, when the server cannot start as asked (the reason went to the operation log).
  void Apply(const TWebSettings& settings);
  const TWebSettings& Settings() const { return settings_; }
  // The token the settings' file holds ("" without one), or why it cannot be used.
  TResult<std::string> Token() const;

  // The tick's figures go to the page.
  void AfterTick();
  // Measuring, waiting for the sensor or stopped, and the alarm: on the page at once.
  void StateChanged(TStationState state, bool alarm);

  void OpenDialog();

  TWebServer Server;
  QAction* SettingsAction = nullptr;
  std::unique_ptr<TWebForm> Dialog;

 private:
  void Start();
  void Publish(const TAccelSample* samples, int count);
  TWebStationFiles Files() const;

  TPlatform& platform_;
  TForm1& panel_;
  TWebSettings settings_;
  TWebSnapshot snapshot_;
  QTimer idleTimer_;  // the health figures once a second while no tick runs
  mutable std::mutex filesMutex_;
  TWebStationFiles files_;
};

}  // namespace tevra
