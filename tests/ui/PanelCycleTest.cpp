// The measurement cycle of the real main window: figures, alarms of both kinds, their files and
// packets, and the failures in between.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <QTest>

#include <csignal>
#include <filesystem>
#include <regex>
#include <thread>

#include "base/AtomicFile.h"
#include "base/TextFormat.h"
#include "alarm/AlarmCriteria.h"
#include "ui/panel/PanelDataOutput.h"
#include "support/SeedLinkTestTools.h"
#include "ui/PanelFixture.h"

namespace tevra::test {
namespace {

// No regular file of this process can grow while it lasts, as on a full disk; devices, pipes and
// sockets are not affected. Writes fail with EFBIG instead of ending the process with SIGXFSZ.
class TFullDisk {
 public:
  TFullDisk() {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldSignal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit none = saved_;
    none.rlim_cur = 0;
    ::setrlimit(RLIMIT_FSIZE, &none);
  }
  ~TFullDisk() { End(); }
  void End() {
    if (ended_) return;
    ended_ = true;
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldSignal_);
  }

 private:
  rlimit saved_{};
  void (*oldSignal_)(int) = nullptr;
  bool ended_ = false;
};

int CountContaining(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<int>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

int CountIn(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST_F(PanelTest, IntensityAlarmRunsFromDetectionToItsEndWithFilesAndPacket) {
  CreatePanel({.AlarmKind = akInstrumentalIntensity, .AlarmIntensity = 3.0, .SaveNoiseOnAlarm = true});
  Start();
  EXPECT_EQ(panel_->Label5->text().toStdString(), "算出中");
  EXPECT_FALSE(panel_->N8->isEnabled());
  EXPECT_TRUE(panel_->N1->isEnabled());
  EXPECT_EQ(ListLines().front(), " 2007/10/30 12:34:56　計測開始");
  for (int i = 0; i < 70; ++i) Tick(10);  // 7 s of quiet data fill the detail ring
  EXPECT_FALSE(panel_->AlarmState.Active);
  EXPECT_EQ(panel_->Label5->text().toStdString(), "0.0");

  source_.SwingGal = 120.0;
  ASSERT_TRUE(TickUntil([&] { return panel_->AlarmState.Active; }));
  const auto atStart = ListLines();
  EXPECT_NE(atStart[0].find("　最大震度　"), std::string::npos);
  EXPECT_NE(atStart[1].find("　地震検出　"), std::string::npos);
  EXPECT_TRUE(std::regex_match(atStart[1], std::regex(" 2007/10/30 \\d\\d:\\d\\d:\\d\\d　地震検出　\\d\\.\\d")))
      << atStart[1];
  EXPECT_TRUE(panel_->Timer1.isActive());
  EXPECT_EQ(platform_.Count("RaiseWindow"), 1);
  EXPECT_EQ(FilesMatching("_noise.csv").size(), 1u);
  const auto details = FilesMatching("_TEST01.csv");
  ASSERT_EQ(details.size(), 1u);
  const std::string detail = FileUtf8(details[0]);
  EXPECT_EQ(detail.substr(0, detail.find('\n')), "TEST01,X(gal),Y(gal),Z(gal),計測震度,合成加速度(gal)");
  const auto packets = Packets();
  ASSERT_EQ(CountContaining(packets, ",地震発生,"), 1) << (packets.empty() ? "" : packets.back());

  // The figure keeps rising: the maximum line replaces the top line, one alarm only.
  for (int i = 0; i < 20; ++i) Tick(50);
  const double maximum = panel_->AlarmState.MaxIntensity;
  EXPECT_GT(maximum, 3.0);
  const auto during = ListLines();
  EXPECT_EQ(CountContaining(during, "地震検出"), 1);
  EXPECT_EQ(CountContaining(during, "最大震度"), 1);
  EXPECT_NE(panel_->TipText.find("TEST01 最大震度"), std::string::npos);
  EXPECT_NE(panel_->TipText.find("警報出力中"), std::string::npos);

  source_.SwingGal = 0.0;
  ASSERT_TRUE(TickUntil([&] { return !panel_->AlarmState.Active; }, 600));
  EXPECT_FALSE(panel_->Timer1.isActive());
  EXPECT_TRUE(panel_->Measuring());
  const std::string log = FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv"));
  EXPECT_EQ(CountIn(log, ",検出震度,"), 1);
  EXPECT_EQ(CountIn(log, ",最大震度,"), 1);
  EXPECT_NE(log.find(Printf(",最大震度,%1.1f,", maximum)), std::string::npos) << log;
  EXPECT_GT(FileUtf8(details[0]).size(), detail.size()) << "the alarm's samples follow the ring's";
  EXPECT_EQ(panel_->TipText.rfind("TEST01 計測震度", 0), 0u);

  panel_->N1Click();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(ListLines().front().substr(20), "　計測終了");
  EXPECT_NE(FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv")).find(",計測終了\n"), std::string::npos);
}

TEST_F(PanelTest, CompositeAlarmHoldsSixtySecondsAfterItsLastExceedance) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  EXPECT_EQ(panel_->Label2->text().toStdString(), "計測加速度(gal)");
  EXPECT_EQ(panel_->Label1->text().toStdString(), "警報加速度　20 (gal)");
  Start();
  Tick(10);
  EXPECT_FALSE(panel_->AlarmState.Active);
  source_.SwingGal = 60.0;
  Tick(10);
  ASSERT_TRUE(panel_->AlarmState.Active);
  const auto lines = ListLines();
  EXPECT_NE(lines[0].find("　最大加速度　"), std::string::npos);
  EXPECT_NE(lines[1].find("　検出加速度　"), std::string::npos);
  EXPECT_NE(lines[1].find(" gal"), std::string::npos);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(" 2007/10/30 \\d\\d:\\d\\d:\\d\\d　最大加速度　\\d+\\.\\d gal")))
      << lines[0];

  source_.SwingGal = 0.0;
  for (int i = 0; i < 600; ++i) Tick(10);  // 60 s of quiet ticks: still held
  EXPECT_TRUE(panel_->AlarmState.Active);
  source_.SwingGal = 60.0;  // a second exceedance inside the alarm
  Tick(10);
  source_.SwingGal = 0.0;
  for (int i = 0; i < 600; ++i) Tick(10);
  EXPECT_TRUE(panel_->AlarmState.Active);
  for (int i = 0; i < 12 && panel_->AlarmState.Active; ++i) Tick(10);
  EXPECT_FALSE(panel_->AlarmState.Active);
  const std::string log = FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv"));
  EXPECT_EQ(CountIn(log, ",検出震度,"), 1);
  EXPECT_EQ(CountIn(log, ",最大震度,"), 1);
  EXPECT_EQ(CountContaining(ListLines(), "検出加速度"), 1);
}

TEST_F(PanelTest, FormatErrorKeepsTheAlarmAndTheMaximumLineReplacesTheErrorLine) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  Start();
  source_.SwingGal = 40.0;
  Tick(10);
  ASSERT_TRUE(panel_->AlarmState.Active);
  Send("12,34\r");  // a frame with a bad layout
  Tick(10);
  EXPECT_NE(ListLines().front().find("　データフォーマットエラー発生"), std::string::npos)
      << ListLines().front();
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_TRUE(panel_->AlarmState.Active);
  EXPECT_NE(FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv")).find(",データフォーマットエラー発生\n"),
            std::string::npos);

  TDataOutputSettings failing;  // a note of the program's own, by contrast, stays below the top line
  failing.SeedLink = true;
  failing.SeedLinkAddress = "no address";
  panel_->DataOutput->Record.Configure(failing);

  source_.SwingGal = 200.0;  // a new maximum: its line takes the error line's place
  Tick(10);
  Tick(10);
  const auto lines = ListLines();
  EXPECT_NE(lines.front().find("　最大加速度　"), std::string::npos);
  EXPECT_EQ(CountContaining(lines, "データフォーマットエラー発生"), 0);
  EXPECT_EQ(CountContaining(lines, "SeedLink: "), 1);
  EXPECT_EQ(CountContaining(lines, "最大加速度"), 2) << "the earlier maximum line stays below";
}

// The SeedLink server drops clients on its own thread; the line reaches the operation log on the
// panel's.
TEST_F(PanelTest, ASeedLinkClientDroppedIsALineInTheOperationLog) {
  CreatePanel();
  TDataOutputSettings s;
  s.SeedLink = true;
  s.SeedLinkAddress = "127.0.0.1";
  s.SeedLinkPort = 0;
  panel_->DataOutput->Record.Configure(s);
  ASSERT_TRUE(panel_->DataOutput->Server.Running());
  TSeedLinkTestClient client(panel_->DataOutput->Server.Port());
  client.Send(std::string(300, 'A'));
  const std::string line = "SeedLink: " + client.Peer() + " 切断: コマンド行が 256 バイトを超えた";
  for (int i = 0; i < 250 && CountContaining(ListLines(), line) == 0; ++i) QTest::qWait(20);
  EXPECT_EQ(CountContaining(ListLines(), line), 1);
}

// A garbled line: the first error of an episode is written, its repeats become one line with their
// number once the line has been clean for 10 s, or every 10 minutes while it lasts, or at the stop.
TEST_F(PanelTest, AGarbledLineWritesItsFirstErrorAndThenOnlyTheCountOfRepeats) {
  CreatePanel();
  Start();
  const auto garbledTick = [&] {
    Send("12,34\r");
    Tick(10);
  };
  const auto repeatLines = [&] {
    std::vector<std::string> found;
    for (const std::string& l : ListLines()) {
      if (l.find("　データフォーマットエラー繰り返し　") != std::string::npos) found.push_back(l.substr(20));
    }
    return found;
  };
  for (int i = 0; i < 10; ++i) garbledTick();
  EXPECT_EQ(CountContaining(ListLines(), "　データフォーマットエラー発生"), 1);
  // Each error's check of the sensor waits a little: the clock has moved on since the last one.
  const std::int64_t afterErrors = platform_.MonotonicMillis;
  ASSERT_TRUE(TickUntil([&] { return !repeatLines().empty(); }, 200, 10));
  EXPECT_GT(platform_.MonotonicMillis - afterErrors, 8000) << "clean for less than 10 s";
  EXPECT_LE(platform_.MonotonicMillis - afterErrors, 10100);
  EXPECT_EQ(repeatLines(), std::vector<std::string>{"　データフォーマットエラー繰り返し　9回"});

  // An episode of over 11 minutes: its count once after 10 minutes, the rest once it is over.
  for (int i = 0; i < 80; ++i) {
    platform_.Advance(8000);
    garbledTick();
  }
  EXPECT_EQ(repeatLines().size(), 2u);
  for (int i = 0; i < 101; ++i) Tick(10);
  const auto counted = repeatLines();
  ASSERT_EQ(counted.size(), 3u);
  const auto number = [](const std::string& line) { return std::stoi(line.substr(line.rfind("　") + 3)); };
  EXPECT_EQ(number(counted[0]) + number(counted[1]), 79);
  garbledTick();
  garbledTick();
  panel_->N1Click();
  EXPECT_EQ(repeatLines().front(), "　データフォーマットエラー繰り返し　1回")
      << "the stop writes what is counted";
  EXPECT_EQ(CountContaining(ListLines(), "　データフォーマットエラー発生"), 3);
  const std::string log = FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv"));
  EXPECT_EQ(CountIn(log, ",データフォーマットエラー発生\n"), 3);
  EXPECT_EQ(CountIn(log, ",データフォーマットエラー繰り返し,"), 4);
  EXPECT_NE(log.find(",データフォーマットエラー繰り返し,9\n"), std::string::npos);
  EXPECT_NE(log.find(",データフォーマットエラー繰り返し,1\n"), std::string::npos);

  // The operation log keeps its newest 1,000 lines.
  for (int i = 0; i < 1005; ++i) panel_->LogNote(Printf("note %d", i));
  const auto lines = ListLines();
  ASSERT_EQ(lines.size(), 1000u);
  EXPECT_EQ(lines.front().substr(20), "　note 1004");
  EXPECT_EQ(lines.back().substr(20), "　note 5");
}

TEST_F(PanelTest, CommunicationErrorStopsMeasuringWithoutAMaximumLine) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  Start();
  source_.SwingGal = 40.0;
  Tick(10);
  ASSERT_TRUE(panel_->AlarmState.Active);
  Send("0001,2048,3048,1\r");  // X at the converter's end: the sensor is not connected
  Tick(0);
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_FALSE(panel_->AlarmState.Active);
  EXPECT_FALSE(panel_->Timer1.isActive());
  const auto lines = ListLines();
  EXPECT_EQ(lines[0].substr(20), "　計測終了");
  EXPECT_EQ(lines[1].substr(20, 28), "　長周期地震動階級 ");  // the alarm's record at its end
  EXPECT_EQ(lines[2].substr(20), "　通信エラー発生");
  EXPECT_EQ(platform_.Count("ErrorNotice センサが繋がっていません"), 1);
  const std::string log = FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv"));
  EXPECT_NE(log.find(",通信エラー発生\n"), std::string::npos);
  EXPECT_EQ(CountIn(log, ",最大震度,"), 0);
  EXPECT_NE(log.find(",計測終了\n"), std::string::npos);
}

// Without automatic start a vanished sensor stops the measurement for good, at its first tick.
TEST_F(PanelTest, VanishedSensorEndsInTheNoDataMessage) {
  CreatePanel({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20});
  Start();
  Tick(10);
  UnplugSensor();
  Tick(0);
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("ErrorNotice データ受信できません"), 1);
  EXPECT_FALSE(panel_->AwaitingReconnect());
  EXPECT_EQ(panel_->Label8->text().toStdString(), "停止中");
  ReplugSensor();
  TryReconnect();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("TrayMessage"), 0);
}

// Automatic start on: each outage writes its lines once, waits without a box, tries every period
// (never under an open settings dialog) and measures again once the sensor is back on its link.
TEST_F(PanelTest, WithAutomaticStartEachOutageIsReportedOnceAndMeasuringResumes) {
  StartAutomatically();
  ASSERT_TRUE(panel_->Measuring());
  const std::string noData = "データ受信できません。COMポート設定、シリアルと電源ケーブルの接続を確認";
  for (int outage = 1; outage <= 2; ++outage) {
    SCOPED_TRACE(outage);
    Tick(10);
    UnplugSensor();
    Tick(0);
    EXPECT_FALSE(panel_->Measuring());
    EXPECT_TRUE(panel_->AwaitingReconnect());
    EXPECT_TRUE(panel_->ReconnectTimer.isActive());
    EXPECT_EQ(panel_->ReconnectTimer.interval(), 10000);
    EXPECT_EQ(panel_->Label8->text().toStdString(), "再接続待ち");
    EXPECT_EQ(panel_->StatusPanels[0]->text().toStdString(), "COM 1: NG");
    EXPECT_TRUE(panel_->N1->isEnabled());
    EXPECT_FALSE(panel_->N8->isEnabled());
    const auto atOutage = ListLines();
    for (int i = 0; i < 3; ++i) TryReconnect();
    EXPECT_EQ(ListLines(), atOutage) << "a failed try writes nothing";
    EXPECT_EQ(platform_.Count("TrayMessage TEST01 再接続待ち|" + noData), outage);
    ReplugSensor();
    form2_->show();
    TryReconnect();
    EXPECT_FALSE(panel_->Measuring()) << "not under the settings dialog";
    form2_->hide();
    TryReconnect();
    EXPECT_TRUE(panel_->Measuring());
    EXPECT_FALSE(panel_->AwaitingReconnect());
    EXPECT_FALSE(panel_->ReconnectTimer.isActive());
  }
  const auto lines = ListLines();
  EXPECT_EQ(CountContaining(lines, "　通信エラー発生"), 2);
  EXPECT_EQ(CountContaining(lines, "　" + noData), 2);
  EXPECT_EQ(CountContaining(lines, "　計測終了"), 2);
  EXPECT_EQ(CountContaining(lines, "　計測開始"), 3);
  EXPECT_EQ(platform_.Count("ErrorNotice") + platform_.Count("ErrorDialog") + platform_.Count("MessageBox"),
            0);
  const std::string log = FileUtf8(JoinPath(dir_, "Tevra_TEST01.csv"));
  EXPECT_EQ(CountIn(log, ",通信エラー発生\n"), 2);
  EXPECT_EQ(CountIn(log, ",計測開始\n"), 3);
}

// The user's stop ends the waiting for good, and writes no second end line.
TEST_F(PanelTest, AUserStopDuringTheWaitingIsNeverUndone) {
  StartAutomatically();
  ASSERT_TRUE(panel_->Measuring());
  UnplugSensor();
  Tick(0);
  ASSERT_TRUE(panel_->AwaitingReconnect());
  EXPECT_EQ(platform_.Count("TrayModify TEST01 再接続待ち"), 1);
  const auto before = ListLines();
  panel_->N1Click();
  EXPECT_EQ(platform_.Calls.back(), "TrayModify TEST01 計測停止中");
  EXPECT_FALSE(panel_->AwaitingReconnect());
  EXPECT_FALSE(panel_->ReconnectTimer.isActive());
  EXPECT_EQ(panel_->Label8->text().toStdString(), "停止中");
  EXPECT_TRUE(panel_->N8->isEnabled());
  EXPECT_FALSE(panel_->N1->isEnabled());
  ReplugSensor();
  TryReconnect();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(ListLines(), before);
}

// A line that sends but garbles: each try's check runs off the window's thread, a present device
// that failed six checks in a row is tried once a minute, a missing one every 10 s, and the health
// row counts the tries.
TEST_F(PanelTest, TriesOnAGarblingLineNeverHoldTheWindowAndSlowDownAfterSixFailedChecks) {
  StartAutomatically();
  ASSERT_TRUE(panel_->Measuring());
  UnplugSensor();
  Tick(0);
  ASSERT_TRUE(panel_->AwaitingReconnect());
  ReplugSensor();
  const auto sensorSending = platform_.DuringSleep;
  const auto window = std::this_thread::get_id();
  int windowSleeps = 0;
  platform_.DuringSleep = [&](int ms) {
    if (std::this_thread::get_id() == window) ++windowSleeps;
    std::string garbled;
    for (int i = 0; i < ms / 10; ++i)
      garbled +=
          "~?3a,\xfe"
          "9z,,1!*#xq\r";
    Send(garbled);
  };
  const auto tries = [&] { return panel_->Health->LinePanel->text().toStdString(); };
  std::chrono::steady_clock::duration longest{};
  for (int attempt = 1; attempt <= 7; ++attempt) {
    SCOPED_TRACE(attempt);
    longest = std::max(longest, TryReconnect());
    EXPECT_FALSE(panel_->Measuring());
    EXPECT_EQ(panel_->ReconnectTimer.interval(), attempt < 6 ? 10000 : 60000);
    EXPECT_NE(tries().find(Printf(" 再接続試行 %d回", attempt)), std::string::npos) << tries();
  }
  EXPECT_EQ(windowSleeps, 0);
  EXPECT_LT(longest, std::chrono::seconds(1));
  UnplugSensor();
  TryReconnect();
  EXPECT_EQ(panel_->ReconnectTimer.interval(), 10000);
  EXPECT_NE(tries().find(" 再接続試行 8回"), std::string::npos) << tries();
  ReplugSensor();
  platform_.DuringSleep = sensorSending;
  TryReconnect();
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_EQ(tries().find("再接続試行"), std::string::npos) << tries();
}

TEST_F(PanelTest, TheCompositeKindEvaluatesEveryTickAndAnyOtherKindOnlyNewIntensities) {
  for (const int kind : {int{akCompositeAcceleration}, int{akIntensityClass}, 5}) {
    SCOPED_TRACE(kind);
    CreatePanel({.AlarmKind = kind, .AlarmIntensity = 0.0, .AlarmAcceleration = 0});
    Start();
    Tick(0);  // no sample, no new intensity
    EXPECT_EQ(panel_->AlarmState.Active, kind == akCompositeAcceleration);
    ASSERT_TRUE(TickUntil([&] { return panel_->Tick.IntensityUpdated; }, 10, 10));
    EXPECT_TRUE(panel_->AlarmState.Active);
    DestroyPanel();
  }
}

TEST_F(PanelTest, AQuakeOnAFullDiskStartsTheAlarmOnceAndMeasuringGoesOn) {
  for (const int kind : {akCompositeAcceleration, akInstrumentalIntensity}) {
    SCOPED_TRACE(kind);
    std::filesystem::remove(JoinPath(dir_, "Tevra_TEST01.csv"));
    std::filesystem::create_symlink("/dev/full", JoinPath(dir_, "Tevra_TEST01.csv"));
    // Its own folder each round: the stop at the end may write a file there once the disk is back.
    const std::string detailFolder = JoinPath(dir_, Printf("detail%d", kind));
    std::filesystem::create_directory(detailFolder);
    CreatePanel(
        {.AlarmKind = kind, .AlarmIntensity = 3.0, .AlarmAcceleration = 20, .DetailFolder = detailFolder});
    Start();
    TFullDisk full;
    const int packetsBefore = CountContaining(Packets(), ",地震発生,");
    source_.SwingGal = 120.0;
    ASSERT_TRUE(TickUntil([&] { return panel_->AlarmState.Active; }));
    for (int i = 0; i < 30; ++i) Tick(50);
    EXPECT_TRUE(panel_->Measuring());
    EXPECT_TRUE(panel_->AlarmState.Active);
    EXPECT_TRUE(panel_->Timer1.isActive());
    EXPECT_EQ(platform_.Count("RaiseWindow"), 1);
    EXPECT_EQ(CountContaining(Packets(), ",地震発生,") - packetsBefore, 1);
    const auto lines = ListLines();
    EXPECT_EQ(CountContaining(lines, kind == akCompositeAcceleration ? "検出加速度" : "地震検出"), 1);
    // Each failing file is told once, as a box that does not wait and an operation-log line.
    EXPECT_EQ(platform_.Count("Notice 警報データが書き込みできません。|"), 1);
    EXPECT_EQ(platform_.Count("Notice 詳細データの書き込みに失敗しました。|"), 1);
    EXPECT_EQ(platform_.Count("MessageBox"), 0);
    EXPECT_EQ(CountContaining(lines, "　詳細データの書き込みに失敗しました。"), 1);
    EXPECT_TRUE(FilesMatching("_TEST01.csv", detailFolder).empty()) << "a detail file without its header";
    full.End();
    platform_.Calls.clear();
    DestroyPanel();
  }
}

TEST_F(PanelTest, AStartAfterTheSensorCameBackOpensThePortAgain) {
  CreatePanel();
  UnplugSensor();
  comPort_->Port().ReopenPort();  // nothing under the device's name
  ASSERT_NE(comPort_->Port().Port()->Status(), RS232C::PortReady);
  ReplugSensor();
  panel_->N8Click();
  EXPECT_TRUE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("ErrorDialog"), 0);
}

// The box names why the port did not open; the operation log keeps it on its one line.
TEST_F(PanelTest, ASensorErrorSaysWhyThePortDidNotOpen) {
  CreatePanel();
  UnplugSensor();
  panel_->N8Click();
  EXPECT_FALSE(panel_->Measuring());
  const std::string noData = "データ受信できません。COMポート設定、シリアルと電源ケーブルの接続を確認";
  const std::string reason = sensorLink_ + ": open: No such file or directory";
  EXPECT_EQ(platform_.Count("ErrorDialog " + noData + "\n" + reason), 1);
  panel_->UpdateStatusBar();
  EXPECT_EQ(panel_->StatusPanels[0]->toolTip().toStdString(), reason);
  DestroyPanel();
  CreatePanel({.AutoStart = true});
  for (int i = 0; i < 4; ++i) panel_->Timer5Timer();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("TrayMessage TEST01 再接続待ち|" + noData + "\n" + reason), 1);
  const auto waiting = ListLines();
  ASSERT_EQ(waiting.size(), 1u);
  EXPECT_EQ(waiting[0].substr(20), "　" + noData + "　" + reason);
}

TEST_F(PanelTest, EventLogThatCannotBeOpenedStopsTheStartBeforeAnythingIsPublished) {
  CreatePanel({.EventFolder = "/nonexistent/log"});
  TDataOutputSettings output = panel_->DataOutput->Settings();
  output.Archive = true;
  output.ArchiveFolder = JoinPath(dir_, "sds");
  panel_->DataOutput->Apply(output);
  panel_->N8Click();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("MessageBox 警報データが書き込みできません。\r保存ファイルを開いていませんか？|"),
            1);
  const auto lines = ListLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(20), "　計測終了");
  EXPECT_EQ(lines[1].substr(20), "　計測開始");
  EXPECT_TRUE(panel_->Label8->isVisible());
  EXPECT_EQ(panel_->Label8->text().toStdString(), "停止中");
  EXPECT_FALSE(std::filesystem::exists(JoinPath(dir_, "sds/2007")));
}

// With automatic start nobody may be there to answer a box: a missing event-log folder (a disk
// mounted late) is reported once, the other alarm outputs work, and the log follows the folder.
TEST_F(PanelTest, WithAutomaticStartAMissingEventLogFolderIsReportedOnceAndMeasuringGoesOn) {
  const std::string late = JoinPath(dir_, "late");
  StartAutomatically({.AlarmKind = akCompositeAcceleration, .AlarmAcceleration = 20, .EventFolder = late});
  ASSERT_TRUE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("MessageBox"), 0);
  EXPECT_EQ(platform_.Count("Notice 警報データが書き込みできません。\r保存ファイルを開いていませんか？|"), 1);
  EXPECT_EQ(
      CountContaining(ListLines(), "　警報データが書き込みできません。　保存ファイルを開いていませんか？"),
      1);
  source_.SwingGal = 40.0;
  ASSERT_TRUE(TickUntil([&] { return panel_->AlarmState.Active; }));
  EXPECT_EQ(CountContaining(Packets(), ",地震発生,"), 1);
  EXPECT_TRUE(panel_->Timer1.isActive());
  EXPECT_EQ(platform_.Count("Notice"), 1) << "the detection line's failure belongs to the same outage";
  std::filesystem::create_directories(late);
  panel_->N1Click();
  EXPECT_NE(FileUtf8(JoinPath(late, "Tevra_TEST01.csv")).find(",計測終了\n"), std::string::npos);
}

TEST_F(PanelTest, SilentSensorOrEmptyFirstBatchShowsNoDataAndStaysStopped) {
  CreatePanel();
  sensorSends_ = false;
  panel_->N8Click();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("ErrorDialog データ受信できません"), 1);

  // The line answers the check, then falls silent: the first batch stays empty.
  int sleeps = 0;
  platform_.DuringSleep = [&](int) {
    ++sleeps;
    if (sleeps <= 2) Send(source_.Next(1));  // one frame for each of the check's two reads
  };
  panel_->N8Click();
  EXPECT_FALSE(panel_->Measuring());
  EXPECT_EQ(platform_.Count("ErrorDialog データ受信できません"), 2);
  EXPECT_TRUE(ListLines().empty());
}

TEST_F(PanelTest, HeartbeatAndTipFollowTheMeasurement) {
  CreatePanel();
  EXPECT_EQ(platform_.Count("TrayAdd TEST01 計測停止中"), 1);
  Start();
  EXPECT_TRUE(panel_->Timer4.isActive());
  panel_->Timer4Timer();
  const auto packets = Packets();
  ASSERT_EQ(packets.size(), 1u);
  EXPECT_EQ(packets[0], "000,TEST01,2007/10/30,12:34:56,0, , , ,");
  for (int i = 0; i < 6; ++i) Tick(10);
  EXPECT_EQ(panel_->TipText, "TEST01 計測震度0.0");
  EXPECT_EQ(platform_.Count("TrayModify "), 6) << "the tip goes out on every tick";
  panel_->N1Click();
  EXPECT_FALSE(panel_->Timer4.isActive());
  EXPECT_EQ(platform_.Calls.back(), "TrayModify TEST01 計測停止中");
}

}  // namespace
}  // namespace tevra::test
