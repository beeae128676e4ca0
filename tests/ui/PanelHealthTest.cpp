// The health row of the main window: the line's figures and flags, the clock and the disk, each
// problem written once to the operation log; the web page shows the same clock and disk.
#include <gtest/gtest.h>
#include <sys/timex.h>

#include <set>

#include "sensor/FakeLink.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelWebOutput.h"
#include "ui/PanelFixture.h"

namespace tevra::test {
namespace {

class PanelHealthTest : public PanelTest {
 protected:
  std::string Text(QLabel* panel) const { return panel->text().toStdString(); }
  bool Coloured(QLabel* panel) const { return !panel->styleSheet().isEmpty(); }
  int LinesWith(const std::string& part) const {
    int n = 0;
    for (const std::string& line : ListLines()) n += line.find(part) != std::string::npos;
    return n;
  }
  // A tick of 100 ms whose frames all repeat one frame.
  void FrozenTick() {
    std::string bytes;
    for (int i = 0; i < 10; ++i) bytes += Frame(2048, 2048, 3048, 1);
    Send(bytes);
    platform_.Advance(100);
    panel_->Timer2Timer();
  }
  void Refresh(int times = 1) {
    for (int i = 0; i < times; ++i) panel_->Timer3Timer();
  }
};

TEST_F(PanelHealthTest, TheLineRowShowsRateErrorsAndAgeAndFlagsAFrozenSensorOnce) {
  CreatePanel();
  Start();
  for (int i = 0; i < 100; ++i) Tick(10);
  Refresh();
  EXPECT_EQ(Text(panel_->Health->LinePanel), "受信 100.0/s 誤り 0/0 最新 0.0s");
  EXPECT_FALSE(Coloured(panel_->Health->LinePanel));

  Send(Frame(2048, 2048, 3048, 1).substr(0, 9) + "x" + Frame(2048, 2048, 3048, 1).substr(10));
  panel_->Timer2Timer();  // a format error: counted, measuring goes on
  for (int i = 0; i < 105; ++i) FrozenTick();
  Refresh(3);
  EXPECT_EQ(Text(panel_->Health->LinePanel), "受信 100.0/s 誤り 1/0 最新 0.0s 値固定");
  EXPECT_TRUE(Coloured(panel_->Health->LinePanel));
  EXPECT_EQ(LinesWith("センサ値固定（10秒間変化なし）"), 1) << "written once while it lasts";
  EXPECT_EQ(ListLines().front().substr(20), "　センサ値固定（10秒間変化なし）");

  Tick(10);  // noise again, then frozen again: a second episode
  Refresh();
  EXPECT_FALSE(Coloured(panel_->Health->LinePanel));
  for (int i = 0; i < 101; ++i) FrozenTick();
  Refresh();
  EXPECT_EQ(LinesWith("センサ値固定"), 2);

  panel_->N1Click();
  Refresh();
  EXPECT_EQ(Text(panel_->Health->LinePanel), "受信 - 誤り 1/0");
  EXPECT_FALSE(Coloured(panel_->Health->LinePanel));
}

TEST_F(PanelHealthTest, ALineThatCarriesTooFewFramesIsFlaggedAfterAMinute) {
  CreatePanel();
  Start();
  for (int i = 0; i < 590; ++i) Tick(i % 5 < 3 ? 6 : 5);  // 56 frames a second, as at 9600 baud
  Refresh();
  EXPECT_FALSE(Coloured(panel_->Health->LinePanel)) << "judged over a whole minute";
  for (int i = 0; i < 20; ++i) Tick(i % 5 < 3 ? 6 : 5);
  Refresh(2);
  EXPECT_TRUE(Coloured(panel_->Health->LinePanel));
  EXPECT_NE(Text(panel_->Health->LinePanel).find("受信 56.0/s"), std::string::npos);
  EXPECT_EQ(LinesWith("　受信フレーム数異常　56.0 フレーム/秒"), 1);
}

TEST_F(PanelHealthTest, ClockAndDiskPanelsFollowTheKernelsAnswers) {
  const std::string records = dir_ + "/records";
  const std::string archive = dir_ + "/sds";
  CreatePanel({.EventFolder = records, .DetailFolder = dir_});
  bool synced = false;
  std::uint64_t freeBytes = 50 * 1000 * 1000;
  int asked = 0;
  std::set<std::string> folders;
  panel_->Health->ClockQuery = [&](TClockReading& r) {
    r = synced ? TClockReading{TIME_OK, 0, 2000} : TClockReading{TIME_ERROR, STA_UNSYNC, 0};
    return true;
  };
  panel_->Health->FreeSpaceQuery = [&](const std::string& folder, std::uint64_t& bytes) {
    ++asked;
    folders.insert(folder);
    bytes = folder == records ? freeBytes : folder == archive ? 30'000'000 : 900ull * 1000 * 1000 * 1000;
    return true;
  };
  Refresh(3);
  EXPECT_EQ(Text(panel_->Health->ClockPanel), "時刻未同期");
  EXPECT_TRUE(Coloured(panel_->Health->ClockPanel));
  EXPECT_EQ(Text(panel_->Health->DiskPanel), "空き 50MB 不足");
  EXPECT_TRUE(Coloured(panel_->Health->DiskPanel));
  EXPECT_EQ(asked, 3) << "checked at the start, not at every refresh";
  EXPECT_EQ(folders, (std::set<std::string>{records, dir_, records + "/history"}));
  EXPECT_EQ(LinesWith("　ディスク空き容量不足　" + records + "　50 MB"), 1);

  synced = true;
  freeBytes = 2'000'000'000;
  platform_.Advance(3600 * 1000);  // the hourly check
  Refresh();
  EXPECT_EQ(Text(panel_->Health->ClockPanel), "時刻同期 ±2.0ms");
  EXPECT_FALSE(Coloured(panel_->Health->ClockPanel));
  EXPECT_EQ(Text(panel_->Health->DiskPanel), "空き 2.0GB");
  EXPECT_FALSE(Coloured(panel_->Health->DiskPanel));
  EXPECT_EQ(asked, 6);

  // The archive counts from the moment it is kept.
  TDataOutputSettings output = panel_->DataOutput->Settings();
  output.Archive = true;
  output.ArchiveFolder = archive;
  panel_->DataOutput->Apply(output);
  Refresh(2);
  EXPECT_EQ(Text(panel_->Health->DiskPanel), "空き 30MB 不足");
  EXPECT_TRUE(Coloured(panel_->Health->DiskPanel));
  EXPECT_EQ(LinesWith("　ディスク空き容量不足　" + archive + "　30 MB"), 1);

  TWebSettings web;
  web.Web = true;
  web.WebPort = 0;
  panel_->Web->Apply(web);  // publishes at once
  EXPECT_EQ(panel_->Web->Server.Latest().Clock, "ok");
  EXPECT_EQ(panel_->Web->Server.Latest().FreeBytes, 30e6) << "the least of all record folders";
}

}  // namespace
}  // namespace tevra::test
