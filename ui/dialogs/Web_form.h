#pragma once
// 「Web表示設定」: whether and where the web page is served, its token, certificate and key files,
// and the address to open with its QR code for a phone. OK checks every value; a bad one is named in
// a box and nothing is stored. Good values are written to the settings file and take effect at once.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "base/Platform.h"
#include "ui/kit/SettingsDialog.h"
#include "web/WebSettings.h"

class QImage;

namespace tevra {

class TPanelWeb;

// The QR code of `text` as black modules on white with a quiet zone, `scale` pixels a module; a
// null image when the text cannot be encoded.
QImage WebQrImage(const std::string& text, int scale);

class TWebForm : public TSettingsDialog {
  Q_OBJECT
 public:
  TWebForm(TPlatform& platform, TPanelWeb& web, QWidget* parent = nullptr);

  QCheckBox* WebCheck;
  QLineEdit* AddressEdit;
  QLineEdit* PortEdit;
  QLineEdit* TokenFileEdit;
  QPushButton* NewTokenButton;
  QLineEdit* CertFileEdit;
  QLineEdit* KeyFileEdit;
  QLabel* PageAddress;
  QLabel* QrCode;
  QLabel* QrNote;

  void FormShow() override;
  void OkClick() override;
  // Writes a new random token into the token file named (asking for a name when none is).
  void NewTokenClick();

 private:
  bool ReadControls(TWebSettings& s);
  void ShowAddress();

  TPanelWeb& web_;
};

}  // namespace tevra
