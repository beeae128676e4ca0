#include "ui/panel/PanelDataOutput.h"

#include "base/AtomicFile.h"
#include "base/TextFormat.h"
#include "archive/DataOutputSeedLink.h"
#include "archive/StationXml.h"
#include "settings/Profile.h"
#include "ui/dialogs/DataOutput_form.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {

TPanelDataOutput::TPanelDataOutput(TPlatform& platform, TForm1& panel)
    : Server({}, panel.LogNoteFromAnyThread()),
      Record([this](const std::string& line) { Log(line); }),
      platform_(platform),
      panel_(panel) {
  SettingsAction = new QAction(QStringLiteral("データ出力設定(&D)"), &panel);
  panel.N2->addAction(SettingsAction);
  QObject::connect(SettingsAction, &QAction::triggered, &panel, [this] { OpenDialog(); });
  LinkSeedLinkServer(Record, Server, [this](const std::string& line) { Log(line); });
  StationXmlAction = new QAction(QStringLiteral("StationXML書き出し(&M)..."), &panel);
  panel.File1->insertAction(panel.Exit1, StationXmlAction);
  QObject::connect(StationXmlAction, &QAction::triggered, &panel, [this] { WriteStationXml(); });
}

TPanelDataOutput::~TPanelDataOutput() = default;

void TPanelDataOutput::Log(const std::string& line) {
  panel_.LogNote(line);
}

void TPanelDataOutput::Load() {
  if (!panel_.SettingsFile) return;
  Record.Configure(LoadDataOutputSettings(*panel_.SettingsFile, panel_.Settings.SensorId));
}

void TPanelDataOutput::Apply(const TDataOutputSettings& settings) {
  TDataOutputSettings s = settings;
  s.StartDate = StartDateFor(s, platform_.Time());
  if (panel_.SettingsFile) SaveDataOutputSettings(s, *panel_.SettingsFile);
  Record.Configure(s);
}

void TPanelDataOutput::Feed(const VXTRRR& reader) {
  if (Record.Active()) Record.Feed(reader.Samples(), reader.SampleCount(), platform_.UtcMicros());
}

void TPanelDataOutput::OpenDialog() {
  if (!Dialog) Dialog = std::make_unique<TDataOutputForm>(platform_, *this, &panel_);
  Dialog->exec();
}

void TPanelDataOutput::WriteStationXml() {
  const TDataOutputSettings& s = Settings();
  const std::string suggested = JoinPath(CurrentDirectory(), s.Network + "." + s.Station + ".xml");
  const std::string path = platform_.ChooseSaveFile(suggested, "StationXML (*.xml)");
  if (path.empty()) return;
  TDataOutputSettings metadata = s;
  metadata.StartDate = StartDateFor(s, platform_.Time());
  if (!tevra::WriteStationXml(path, metadata, panel_.Settings.SensorId, platform_.Time())) {
    platform_.MessageBox(Printf("StationXMLを書き込めません（%s）", path.c_str()), "", false);
    return;
  }
  if (s.StartDate.empty()) {  // the day the metadata first went out is kept from now on
    if (panel_.SettingsFile) SaveStartDate(metadata.StartDate, *panel_.SettingsFile);
    Record.SetStartDate(metadata.StartDate);
  }
  Log("StationXMLを書き出しました: " + path);
}

}  // namespace tevra
