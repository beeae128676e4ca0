#pragma once
// The panel's continuous record: the [DataOutput] settings, the record fed by the measurement
// cycle, the 「データ出力設定」 dialog and the StationXML command. The main window calls in at
// start-up, on every batch read, on a dropped batch and at the stop.
#include <QAction>
#include <memory>
#include <string>

#include "base/Platform.h"
#include "archive/DataOutput.h"
#include "seedlink/SeedLinkServer.h"
#include "sensor/VXTRRR.h"

namespace tevra {

class TForm1;
class TDataOutputForm;

class TPanelDataOutput {
 public:
  // Adds 設定 > データ出力設定 and ファイル > StationXML書き出し to the panel's menus.
  TPanelDataOutput(TPlatform& platform, TForm1& panel);
  ~TPanelDataOutput();

  // Reads [DataOutput] from the panel's settings file and starts what it asks for.
  void Load();
  // Takes settings from the dialog: kept in the settings file and in force at once. A start date
  // not given is fixed now: the archive's oldest day, else today.
  void Apply(const TDataOutputSettings& settings);
  const TDataOutputSettings& Settings() const { return Record.Settings(); }

  // The batch the reader has just delivered, timed now.
  void Feed(const VXTRRR& reader);
  void BatchLost() { Record.BatchLost(); }
  void Stop() { Record.Stop(); }

  void OpenDialog();
  // Asks where, then writes the station's StationXML there; a start date not fixed yet is fixed
  // then and kept.
  void WriteStationXml();

  // Declared first: the record's sink publishes to it until the record is gone.
  TSeedLinkServer Server;
  TDataOutput Record;
  QAction* SettingsAction = nullptr;
  QAction* StationXmlAction = nullptr;
  std::unique_ptr<TDataOutputForm> Dialog;

 private:
  void Log(const std::string& line);

  TPlatform& platform_;
  TForm1& panel_;
};

}  // namespace tevra
