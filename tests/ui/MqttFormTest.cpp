// The panel on MQTT: the 「MQTT設定」 dialog and what the measurement cycle publishes, heard by
// mosquitto_sub from Debian's broker on a free loopback port.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <fstream>

#include "alarm/AlarmCriteria.h"
#include "base/AtomicFile.h"
#include "mqtt/Broker.h"
#include "ui/PanelFixture.h"
#include "ui/dialogs/Mqtt_form.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelMqtt.h"
#include "ui/panel/PanelWebOutput.h"

namespace tevra::test {
namespace {

using MqttFormTest = PanelFormTest<TMqttForm, &TForm1::Mqtt>;

TEST_F(MqttFormTest, ABadValueIsNamedAndNothingIsStored) {
  CreatePanel();
  EXPECT_TRUE(panel_->N2->actions().contains(panel_->Mqtt->SettingsAction));
  const std::string pw = JoinPath(dir_, "pw");
  std::ofstream(pw) << "secret\n";
  ::chmod(pw.c_str(), 0644);
  const TRow rows[] = {
      {&TMqttForm::HostEdit, "", "ホスト"},
      {&TMqttForm::PortEdit, "0", "ポート番号"},
      {&TMqttForm::PortEdit, "1883x", "ポート番号"},
      {&TMqttForm::CertFileEdit, "c.pem", "クライアント証明書"},
      {&TMqttForm::TopicPrefixEdit, "a/#", "トピック"},
      {&TMqttForm::DiscoveryPrefixEdit, "", "ディスカバリー"},
      {&TMqttForm::PasswordFileEdit, "pw", "ユーザー名"},
      {&TMqttForm::UsernameEdit, "tevra", "chmod 600"},  // with the password file of the row before
  };
  const std::string before = Ini();
  Open();
  form_->EnabledCheck->setChecked(true);
  form_->HostEdit->setText("127.0.0.1");
  for (const TRow& r : rows) {
    const QString kept = (form_.get()->*r.edit)->text();
    (form_.get()->*r.edit)->setText(QString::fromStdString(r.text));
    if (r.edit == &TMqttForm::PasswordFileEdit) form_->PasswordFileEdit->setText(QString::fromStdString(pw));
    ClickOk();
    ASSERT_EQ(platform_.Calls.size(), 1u) << r.text;
    EXPECT_NE(platform_.Calls[0].find(r.message), std::string::npos) << platform_.Calls[0];
    EXPECT_EQ(platform_.Calls[0].find("secret"), std::string::npos);
    EXPECT_TRUE(form_->isVisible()) << r.text;
    if (r.edit != &TMqttForm::PasswordFileEdit) (form_.get()->*r.edit)->setText(kept);
  }
  form_->PortEdit->setText("1883");
  form_->TlsCheck->setChecked(true);
  EXPECT_EQ(form_->PortEdit->text(), "8883");
  form_->PasswordFileEdit->clear();
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_NE(platform_.Calls.back().find("CA"), std::string::npos);
  EXPECT_EQ(Ini(), before);
  EXPECT_EQ(panel_->Mqtt->Station(), nullptr);
}

// New station codes restart the station; a password file spoilt meanwhile stops it with a word.
TEST_F(MqttFormTest, ARestartThatCannotReadThePasswordSaysWhy) {
  CreatePanel();
  const std::string pw = JoinPath(dir_, "pw");
  std::ofstream(pw) << "secret\n";
  ::chmod(pw.c_str(), 0600);
  Open();
  form_->EnabledCheck->setChecked(true);
  form_->HostEdit->setText("127.0.0.1");
  form_->PortEdit->setText("1");  // no broker: the station only retries
  form_->UsernameEdit->setText("tevra");
  form_->PasswordFileEdit->setText(QString::fromStdString(pw));
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  ASSERT_NE(panel_->Mqtt->Station(), nullptr);
  ::chmod(pw.c_str(), 0644);
  TDataOutputSettings codes = panel_->DataOutput->Settings();
  codes.Station = "OTHER";
  panel_->DataOutput->Apply(codes);
  panel_->Mqtt->Refresh();
  EXPECT_EQ(panel_->Mqtt->Station(), nullptr);
  const std::vector<std::string> log = ListLines();
  EXPECT_NE(
      std::find_if(log.begin(), log.end(),
                   [](const std::string& l) {
                     return l.find("MQTT: パスワードファイルにグループか他のユーザーの権限があります") !=
                            std::string::npos;
                   }),
      log.end());
}

TEST_F(MqttFormTest, OkStartsPublishingTheCycleAndTurningItOffRemovesTheDevice) {
  TBroker broker;
  ASSERT_TRUE(broker.Start());
  TSubscriber sub(broker);
  ASSERT_TRUE(sub.Subscribed);
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  Open();
  form_->EnabledCheck->setChecked(true);
  form_->HostEdit->setText("127.0.0.1");
  form_->PortEdit->setText(QString::number(broker.Port));
  QTest::mouseClick(form_->TestButton, Qt::LeftButton);
  EXPECT_TRUE(WaitFor(
      [&] {
        QTest::qWait(20);
        return form_->TestResult->text() == QStringLiteral("接続できました");
      },
      5000));
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_NE(Ini().find("[MQTT]\nMQTT=1\nHost=127.0.0.1\n"), std::string::npos) << Ini();
  ASSERT_NE(panel_->Mqtt->Station(), nullptr);
  const std::string prefix = "tevra/XX.TEST0/";  // the codes the sensor ID gives
  ASSERT_TRUE(sub.WaitCount(prefix + "availability online", 1));

  Start();
  panel_->Mqtt->Refresh();
  source_.SwingGal = 60.0;
  ASSERT_TRUE(TickUntil([&] { return panel_->AlarmState.Active; }, 20, 10));
  ASSERT_TRUE(sub.WaitCount(prefix + "alarm {\"event\":\"start\"", 1));
  EXPECT_EQ(sub.Count(prefix + "alarm {\"event\":\"start\""), 1);
  EXPECT_EQ(sub.Count(prefix + "alarm {\"event\":\"start\",\"time\":"), 1);
  const std::vector<std::string> messages = sub.Messages();
  EXPECT_NE(std::find_if(messages.begin(), messages.end(),
                         [](const std::string& m) {
                           return m.find("\"criterion\":\"acceleration\"}") != std::string::npos;
                         }),
            messages.end());
  EXPECT_TRUE(sub.WaitCount(prefix + "alarm/state ON", 1));
  EXPECT_TRUE(sub.WaitCount(prefix + "state {\"state\":\"measuring\"", 1));
  source_.SwingGal = 0.0;
  ASSERT_TRUE(TickUntil([&] { return !panel_->AlarmState.Active; }, 800, 10));
  EXPECT_TRUE(sub.WaitCount(prefix + "alarm {\"event\":\"end\"", 1));
  EXPECT_TRUE(sub.WaitCount(prefix + "intensity {", 10));
  // Intensities and both alarm events carry the long-period class and velocity.
  for (const std::string event : {"alarm {\"event\":\"start\"", "alarm {\"event\":\"end\"", "intensity {"}) {
    const std::vector<std::string> all = sub.Messages();
    EXPECT_NE(std::find_if(all.begin(), all.end(),
                           [&](const std::string& m) {
                             return m.rfind(prefix + event, 0) == 0 &&
                                    m.find("\"long_period_class\":\"") != std::string::npos &&
                                    m.find("\"sva_cm_s\":") != std::string::npos;
                           }),
              all.end())
        << event;
  }
  panel_->Mqtt->Refresh();
  const std::vector<std::string> log = ListLines();
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [](const std::string& l) {
                           return l.find("MQTT: ブローカーに接続しました") != std::string::npos;
                         }),
            log.end());

  Open();
  form_->EnabledCheck->setChecked(false);
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_EQ(panel_->Mqtt->Station(), nullptr);
  EXPECT_TRUE(sub.WaitCount(prefix + "availability offline", 1));
  // Each config once with content, then once empty.
  EXPECT_TRUE(sub.WaitCount("homeassistant/binary_sensor/tevra_XX_TEST0/alarm/config", 2));
}

// The main window tells both outputs of each change of state as it happens: no event loop runs
// here, so no timer of theirs could have found it.
TEST_F(MqttFormTest, EachChangeOfStateReachesMqttAndThePageAtOnce) {
  TBroker broker;
  ASSERT_TRUE(broker.Start());
  TSubscriber sub(broker);
  ASSERT_TRUE(sub.Subscribed);
  StartAutomatically();
  TMqttSettings mqtt;
  mqtt.Enabled = true;
  mqtt.Host = "127.0.0.1";
  mqtt.Port = broker.Port;
  ASSERT_TRUE(panel_->Mqtt->Apply(mqtt).Ok());
  TWebSettings web;
  web.Web = true;
  web.WebPort = 0;
  panel_->Web->Apply(web);
  ASSERT_TRUE(panel_->Web->Server.Running());
  const std::string state = "tevra/XX.TEST0/state {\"state\":\"";
  ASSERT_TRUE(sub.WaitCount(state + "measuring", 1));

  Tick(10);
  UnplugSensor();
  Tick(0);
  EXPECT_EQ(panel_->Web->Server.Latest().State, TStationState::Reconnecting);
  EXPECT_TRUE(sub.WaitCount(state + "reconnecting", 1));
  ReplugSensor();
  TryReconnect();
  ASSERT_TRUE(panel_->Measuring());
  EXPECT_EQ(panel_->Web->Server.Latest().State, TStationState::Measuring);
  EXPECT_TRUE(sub.WaitCount(state + "measuring", 2));
  panel_->N1Click();
  EXPECT_EQ(panel_->Web->Server.Latest().State, TStationState::Stopped);
  EXPECT_TRUE(sub.WaitCount(state + "stopped", 1));
  EXPECT_EQ(sub.Count(state + "stopped"), 1) << "the sensor error went straight to the waiting";
}

}  // namespace
}  // namespace tevra::test
