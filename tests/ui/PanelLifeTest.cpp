// The main window's life: start-up, automatic start, the close flow, the end of the session and
// the notification area.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "base/AtomicFile.h"
#include "settings/SettingsFile.h"
#include "ui/PanelFixture.h"

namespace tevra::test {
namespace {

TEST_F(PanelTest, TitleBarCloseHidesExitAsksAndCancelKeepsAsking) {
  CreatePanel();
  std::remove("TevraPanel.ini");
  panel_->close();
  EXPECT_FALSE(panel_->isVisible());
  EXPECT_EQ(platform_.Count("Confirm"), 0);
  std::string ini;
  EXPECT_TRUE(ReadWholeFile(JoinPath(dir_, "TevraPanel.ini"), ini)) << "hiding writes the settings";

  panel_->ShowPanel();
  platform_.Answers = {false};
  panel_->Exit1Click();
  EXPECT_EQ(platform_.Count("Confirm Tevraパネルを終了しますか？"), 1);
  EXPECT_TRUE(panel_->isVisible());
  EXPECT_TRUE(form4_ != nullptr);
  panel_->close();  // ExitRequested stays: the title bar now asks too
  EXPECT_EQ(platform_.Count("Confirm"), 2);
  EXPECT_FALSE(panel_->isVisible());
  EXPECT_EQ(platform_.Count("TrayDelete"), 1) << "an allowed close removes the icon";
}

TEST_F(PanelTest, EndOfSessionClosesWithoutAskingAndKeepsBaselineAndSettings) {
  CreatePanel({.AutoStart = false});
  Start();
  for (int i = 0; i < 30; ++i) Tick(10);
  panel_->Settings.AlarmIntensity = 4.5;
  panel_->OnQueryEndSession();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("Confirm"), 0);
  EXPECT_EQ(ListLines().front().substr(20), "　計測開始") << "no stop line at the end of a session";
  std::string ini;
  ASSERT_TRUE(ReadWholeFile(JoinPath(dir_, "TevraPanel.ini"), ini));
  EXPECT_NE(ini.find("4.500000"), std::string::npos);
  DestroyPanel();
  std::string noise;
  ASSERT_TRUE(ReadWholeFile(JoinPath(dir_, "NoiseData.csv"), noise));
  EXPECT_EQ(std::count(noise.begin(), noise.end(), '\n'), 2048);
  EXPECT_NE(noise.substr(0, 200).find_first_of("123456789"), std::string::npos) << "the learned baseline";
}

TEST_F(PanelTest, EndOfSessionWhileTheExitQuestionIsOpenStillEndsTheProgram) {
  CreatePanel();
  Start();
  platform_.Answers = {false};
  platform_.DuringDialog = [&] { panel_->OnQueryEndSession(); };
  panel_->Exit1Click();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("TrayDelete"), 1);
  EXPECT_FALSE(form4_->isVisible());
  // Every event loop, the one of any box still open included, now returns at once.
  QEventLoop loop;
  QTimer::singleShot(3000, &loop, [&] { loop.exit(1); });
  EXPECT_EQ(loop.exec(), -1) << "the program goes on running";
  std::remove(JoinPath(dir_, "NoiseData.csv").c_str());
  DestroyPanel();
  EXPECT_TRUE(std::filesystem::exists(JoinPath(dir_, "NoiseData.csv")));
}

TEST_F(PanelTest, NamedPipesInPlaceOfTheFilesReadLikeUnreadableFiles) {
  ASSERT_EQ(mkfifo(JoinPath(dir_, "TevraPanel.ini").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(JoinPath(dir_, "NoiseData.csv").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(JoinPath(dir_, "ComPort.ini").c_str(), 0600), 0);
  CreatePanel();  // its settings files are refused: the pipes stay
  EXPECT_EQ(platform_.Count(std::string("MessageBox ") + kSettingsMissingText), 1);
  EXPECT_EQ(panel_->Settings.SensorId, "Default_ID");
  EXPECT_EQ(panel_->Calculator.Baseline()[1].X, 0.0);
  // The port, left on its defaults, gets nothing from the sensor: the box names the cause.
  panel_->N8Click();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("ErrorDialog 設定ファイル　ComPort.iniを読み込めません。"), 1);
}

TEST_F(PanelTest, AutomaticStartWaitsForTheSplashThenCountsDown) {
  CreatePanel({.AutoStart = true});
  EXPECT_EQ(panel_->Label8->text().toStdString(), "設定中");
  EXPECT_FALSE(panel_->N2->menuAction()->isEnabled());
  EXPECT_FALSE(panel_->N3->menuAction()->isEnabled());
  EXPECT_TRUE(panel_->Timer5.isActive());
  EXPECT_EQ(panel_->Reader, nullptr);
  form4_->show();
  panel_->Timer5Timer();
  EXPECT_EQ(panel_->AutoStartCountdown, 3) << "the splash is still up";
  form4_->Timer1Timer();
  EXPECT_FALSE(form4_->isVisible());
  for (int i = 0; i < 3; ++i) panel_->Timer5Timer();
  EXPECT_EQ(panel_->Label2->text().toStdString(), "");
  EXPECT_FALSE(panel_->Measuring());
  panel_->Timer5Timer();
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_FALSE(panel_->Timer5.isActive());
  EXPECT_TRUE(panel_->N3->menuAction()->isEnabled());
  EXPECT_EQ(panel_->Label2->text().toStdString(), "計測震度");
}

// A failed automatic start waits for the sensor without a box and starts once it sends.
TEST_F(PanelTest, AFailedAutomaticStartWaitsForTheSensor) {
  CreatePanel({.AutoStart = true});
  sensorSends_ = false;
  for (int i = 0; i < 4; ++i) panel_->Timer5Timer();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("ErrorDialog"), 0);
  EXPECT_EQ(platform_.Count("TrayMessage TEST01 再接続待ち|データ受信できません"), 1);
  EXPECT_EQ(panel_->Label8->text().toStdString(), "再接続待ち");
  EXPECT_FALSE(panel_->N8->isEnabled());
  EXPECT_TRUE(panel_->N1->isEnabled());
  const auto waiting = ListLines();
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_EQ(waiting[0].substr(20),
            "　データ受信できません。COMポート設定、シリアルと電源ケーブルの接続を確認");
  TryReconnect();
  EXPECT_EQ(ListLines(), waiting);
  sensorSends_ = true;
  TryReconnect();
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_EQ(ListLines().size(), 2u);
  EXPECT_EQ(platform_.Count("TrayMessage TEST01 計測再開"), 1);
}

TEST_F(PanelTest, WithoutANotificationAreaThePanelMinimizesInsteadOfHiding) {
  platform_.TrayAvailable = false;
  CreatePanel();
  EXPECT_EQ(platform_.Count("TrayAdd"), 40);
  EXPECT_EQ(platform_.Count("SleepWithEvents 100"), 40);
  EXPECT_EQ(platform_.Count("MessageBox"), 0) << "no termination message";
  EXPECT_FALSE(panel_->TrayRegistered);
  panel_->close();
  EXPECT_TRUE(panel_->isVisible());
  EXPECT_TRUE(panel_->isMinimized());
  EXPECT_FALSE(panel_->PanelVisible());
  panel_->OnTrayMessage(TForm1::kLeftButtonUp);
  EXPECT_TRUE(panel_->PanelVisible());
}

TEST_F(PanelTest, AnIconAppearsOnceANotificationAreaDoes) {
  platform_.TrayAvailable = false;
  CreatePanel();
  EXPECT_FALSE(panel_->TrayRegistered);
  platform_.TrayAvailable = true;
  panel_->TipText = std::string(200, 'x');
  QTest::qWait(2500);  // the panel looks again every two seconds
  EXPECT_TRUE(panel_->TrayRegistered);
  EXPECT_EQ(platform_.Calls.back(), "TrayAdd " + std::string(127, 'x')) << "the tip is cut as everywhere";
  panel_->close();
  EXPECT_FALSE(panel_->isVisible()) << "with an icon, closing hides again";

  // The notification area goes away later: the panel minimizes again, so it can be found.
  panel_->ShowPanel();
  platform_.TrayAvailable = false;
  panel_->close();
  EXPECT_TRUE(panel_->isVisible());
  EXPECT_TRUE(panel_->isMinimized());
}

TEST_F(PanelTest, TrayClicksToggleThePanelButNotWhileTheSettingsDialogIsOpen) {
  CreatePanel();
  form5_->show();
  panel_->OnTrayMessage(TForm1::kLeftButtonUp);
  EXPECT_FALSE(panel_->isVisible());
  EXPECT_FALSE(form5_->isVisible()) << "the graph goes with the panel";
  panel_->OnTrayMessage(TForm1::kLeftButtonUp);
  EXPECT_TRUE(panel_->PanelVisible());
  EXPECT_FALSE(form5_->isVisible());
  form2_->show();
  panel_->OnTrayMessage(TForm1::kLeftButtonUp);
  EXPECT_TRUE(panel_->PanelVisible());
  form2_->hide();
}

TEST_F(PanelTest, StatusBarVersionBoxAndBaselineReset) {
  CreatePanel();
  EXPECT_EQ(panel_->StatusPanels[0]->text().toStdString(), "COM 1: READY");
  EXPECT_EQ(panel_->StatusPanels[1]->text().toStdString(), "IP: 127.0.0.1");
  EXPECT_EQ(panel_->StatusPanels[3]->text().toStdString(), "ID: TEST01");
  panel_->V1Click();
  EXPECT_EQ(platform_.Count("MessageBox tevra_panel.exe\rVersion 2007/10/30\rtevra_panel\rVersion "), 1);
  panel_->Calculator.Baseline()[5].X = 7.0;
  platform_.Answers = {false};
  panel_->N7Click();
  EXPECT_EQ(panel_->Calculator.Baseline()[5].X, 7.0);
  panel_->N7Click();
  EXPECT_EQ(panel_->Calculator.Baseline()[5].X, 0.0);
  EXPECT_EQ(platform_.Count("MessageBox 環境振動情報をリセットしますか？|環境振動情報リセット|OKCANCEL"), 2);
}

TEST_F(PanelTest, LoginStartItemWritesAndRemovesTheLoginStartEntry) {
  const std::string config = JoinPath(dir_, "config");
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  CreatePanel();
  const std::string entry = JoinPath(config, "autostart/tevra_panel.desktop");
  EXPECT_FALSE(panel_->LoginStart1->isChecked());
  panel_->LoginStart1->trigger();
  EXPECT_TRUE(panel_->LoginStart1->isChecked());
  std::string text;
  ASSERT_TRUE(ReadWholeFile(entry, text));
  EXPECT_NE(text.find("\nPath=" + dir_ + "\n"), std::string::npos) << "started where the panel runs now";
  panel_->LoginStart1->trigger();
  EXPECT_FALSE(panel_->LoginStart1->isChecked());
  EXPECT_FALSE(ReadWholeFile(entry, text));
  setenv("XDG_CONFIG_HOME", JoinPath(dir_, "TevraPanel.ini").c_str(), 1);  // a file: no folder there
  panel_->LoginStart1->trigger();
  EXPECT_FALSE(panel_->LoginStart1->isChecked());
  EXPECT_EQ(platform_.Count("MessageBox ログイン時の起動を設定できません"), 1);
  unsetenv("XDG_CONFIG_HOME");
}

TEST_F(PanelTest, SecondOpenOfTheSensorPortShowsNotReady) {
  CreatePanel();
  TComPortForm second;
  EXPECT_EQ(second.Label1->text().toStdString(), "Not Ready   ");
  EXPECT_EQ(second.ReasonLabel->text().toStdString().rfind(sensorLink_ + ": ", 0), 0u)
      << second.ReasonLabel->text().toStdString();
  EXPECT_EQ(comPort_->Label1->text().toStdString(), "Ready       ");
}

}  // namespace
}  // namespace tevra::test
