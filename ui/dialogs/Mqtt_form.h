#pragma once
// 「MQTT設定」: the broker, its security and the topics, shown modally. OK checks every value; a
// bad one is named in a box and nothing is stored. Good values are written to the settings file and
// take effect at once. 「接続テスト」 tries the values in the dialog and says what happened.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "base/Platform.h"
#include "mqtt/MqttProbe.h"
#include "mqtt/MqttSettings.h"

namespace tevra {

class TPanelMqtt;

class TMqttForm : public QDialog {
  Q_OBJECT
 public:
  TMqttForm(TPlatform& platform, TPanelMqtt& mqtt, QWidget* parent = nullptr);
  ~TMqttForm() override;

  QCheckBox* EnabledCheck;
  QLineEdit* HostEdit;
  QLineEdit* PortEdit;
  QCheckBox* TlsCheck;
  QLineEdit* CaFileEdit;
  QLineEdit* CertFileEdit;
  QLineEdit* KeyFileEdit;
  QLineEdit* UsernameEdit;
  QLineEdit* PasswordFileEdit;
  QLineEdit* TopicPrefixEdit;
  QCheckBox* DiscoveryCheck;
  QLineEdit* DiscoveryPrefixEdit;
  QPushButton* TestButton;
  QLabel* TestResult;
  QPushButton* OkButton;
  QPushButton* CancelButton;

  // Fills the controls from the settings in force (every showing does).
  void FormShow();
  void OkClick();
  void TestClick();
  void setVisible(bool visible) override;

 private:
  void BuildControls();
  // The dialog's values, or false after telling the user which one is wrong.
  bool ReadControls(TMqttSettings& s);
  bool Refuse(const std::string& text);
  void PollTest();

  TPlatform& platform_;
  TPanelMqtt& mqtt_;
  std::unique_ptr<TMqttProbe> probe_;
  QTimer testTimer_;
};

}  // namespace tevra
