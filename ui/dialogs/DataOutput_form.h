#pragma once
// 「データ出力設定」: the continuous record's archive, codes, live stream and site, shown
// modally. OK checks every value; a bad one is named in a box and nothing is stored. Good values
// are written to the settings file and take effect at once.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <string>

#include "base/Platform.h"
#include "settings/DataOutputSettings.h"
#include "ui/kit/SettingsDialog.h"

namespace tevra {

class TPanelDataOutput;

class TDataOutputForm : public TSettingsDialog {
  Q_OBJECT
 public:
  TDataOutputForm(TPlatform& platform, TPanelDataOutput& output, QWidget* parent = nullptr);

  QCheckBox* ArchiveCheck;
  QLineEdit* FolderEdit;
  QPushButton* FolderButton;
  QLineEdit* NetworkEdit;
  QLineEdit* StationEdit;
  QLineEdit* LocationEdit;
  std::array<QLineEdit*, 3> ChannelEdits;
  QLineEdit* FlushEdit;
  QCheckBox* SeedLinkCheck;
  QLineEdit* AddressEdit;
  QLineEdit* PortEdit;
  QLineEdit* LatitudeEdit;
  QLineEdit* LongitudeEdit;
  QLineEdit* ElevationEdit;
  QLabel* SiteWarning;
  QLineEdit* AzimuthXEdit;
  QLineEdit* AzimuthYEdit;
  QLabel* AzimuthWarning;
  QLineEdit* StartDateEdit;

  void FormShow() override;
  void OkClick() override;
  void FolderClick();

 private:
  void BuildControls();
  // The dialog's values, or false after telling the user which one is wrong.
  bool ReadControls(TDataOutputSettings& s);
  // Shown while a given azimuth differs from the one its channel code implies.
  void UpdateAzimuthWarning();
  std::array<QLineEdit*, 2> AzimuthEdits() const { return {AzimuthXEdit, AzimuthYEdit}; }

  TPanelDataOutput& output_;
};

}  // namespace tevra
