#pragma once
// 「MQTT設定」: the broker, its security and the topics, shown modally. OK checks every value; a
// bad one is named in a box and nothing is stored. Good values are written to the settings file and
// take effect at once. 「接続テスト」 tries the values in the dialog and says what happened.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "base/Platform.h"
#include "mqtt/MqttProbe.h"
#include "mqtt/MqttSettings.h"
#include "ui/kit/SettingsDialog.h"

namespace tevra {

class TPanelMqtt;

class TMqttForm : public TSettingsDialog {
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

  void FormShow() override;
  void OkClick() override;
  void TestClick();

 private:
  void BuildControls();
  // The dialog's values, or false after telling the user which one is wrong.
  bool ReadControls(TMqttSettings& s);
  void PollTest();

  TPanelMqtt& mqtt_;
  std::unique_ptr<TMqttProbe> probe_;
  QTimer testTimer_;
};

}  // namespace tevra
