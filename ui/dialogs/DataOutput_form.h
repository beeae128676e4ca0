#pragma once
// 「データ出力設定」: the continuous record's archive, codes, live stream and site, shown
// modally. OK checks every value; a bad one is named in a box and nothing is stored. Good values
// are written to the settings file and take effect at once.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>
#include <string>

#include "base/Platform.h"
#include "settings/DataOutputSettings.h"

namespace tevra {

class TPanelDataOutput;

class TDataOutputForm : public QDialog {
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
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // Fills the controls from the settings in force (every showing does).
  void FormShow();
  void OkClick();
  void FolderClick();
  void setVisible(bool visible) override;

 private:
  void BuildControls();
  // The dialog's values, or false after telling the user which one is wrong.
  bool ReadControls(TDataOutputSettings& s);
  bool Refuse(const char* text);
  // Shown while a given azimuth differs from the one its channel code implies.
  void UpdateAzimuthWarning();
  std::array<QLineEdit*, 2> AzimuthEdits() const { return {AzimuthXEdit, AzimuthYEdit}; }

  TPlatform& platform_;
  TPanelDataOutput& output_;
};

}  // namespace tevra
