// The long-period class in the real main window: its figure, its alarm and its records.
#include <gtest/gtest.h>

#include "base/AtomicFile.h"
#include "base/TextFormat.h"
#include "alarm/AlarmCriteria.h"
#include "ui/views/AlarmRecordsForm.h"
#include "ui/dialogs/LongPeriod_form.h"
#include "ui/PanelFixture.h"
#include "ui/panel/PanelLongPeriod.h"
#include "ui/panel/PanelViews.h"

namespace tevra::test {
namespace {

int CountContaining(const std::vector<std::string>& lines, const std::string& part) {
  return static_cast<int>(std::count_if(
      lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; }));
}

TEST_F(PanelTest, ASlowSwingRaisesTheOneAlarmByItsClassAndEachAlarmRecordsIt) {
  CreatePanel({.AlarmKind = akInstrumentalIntensity, .AlarmIntensity = 6.0});
  TPanelLongPeriod& lp = *panel_->LongPeriod;
  EXPECT_EQ(lp.StatusPanel->text().toStdString(), "長周期 —");
  TLongPeriodForm dialog(lp);
  dialog.FormShow();
  EXPECT_FALSE(dialog.AlarmCheck->isChecked());
  EXPECT_EQ(dialog.ClassCombo->currentIndex(), 1);
  dialog.AlarmCheck->setChecked(true);
  dialog.OkClick();
  EXPECT_TRUE(lp.Settings().Alarm);
  EXPECT_EQ(lp.Settings().AlarmClass, 2);
  EXPECT_NE(FileUtf8(JoinPath(dir_, "TevraPanel.ini")).find("[LongPeriod]\nAlarm=1\nAlarmClass=2\n"),
            std::string::npos);

  Start();
  for (int i = 0; i < 20; ++i) Tick(50);
  lp.Refresh();
  EXPECT_EQ(lp.StatusPanel->text().toStdString().rfind("長周期 0 (", 0), 0u)
      << lp.StatusPanel->text().toStdString();
  source_.SwingGal = 6.0;
  source_.SwingSeconds = 5.0;
  ASSERT_TRUE(TickUntil([&] { return panel_->AlarmState.Active; }, 200, 10));
  TLongPeriodMeter::TPeak live;
  ASSERT_TRUE(lp.Live(live));
  EXPECT_GE(live.Sva, 15.0);
  EXPECT_LT(live.Sva, 16.0) << "the alarm starts when the class is reached";
  const auto atStart = ListLines();
  EXPECT_NE(atStart[0].find("　最大震度　"), std::string::npos);
  EXPECT_EQ(atStart[1].substr(20), "　警報の基準: 長周期地震動階級 2 以上");
  EXPECT_NE(atStart[2].find("　地震検出　"), std::string::npos);
  EXPECT_EQ(CountContaining(Packets(), ",地震発生,"), 1);

  for (int i = 0; i < 40; ++i) Tick(50);  // 20 s more of the swing: one alarm
  lp.Refresh();
  EXPECT_EQ(lp.StatusPanel->text().toStdString().rfind("長周期 ", 0), 0u);
  ASSERT_TRUE(lp.Live(live));
  EXPECT_EQ(lp.StatusPanel->text().toStdString(), LongPeriodStatusText(live));
  EXPECT_LT(panel_->AlarmState.MaxIntensity, 6.0);
  source_.SwingGal = 0.0;
  // The hold runs 61 s from the last sample that reached class 2, which the ringing prolongs.
  ASSERT_TRUE(TickUntil([&] { return !panel_->AlarmState.Active; }, 400, 50));
  EXPECT_EQ(CountContaining(Packets(), ",地震発生,"), 0) << "no second packet";
  const std::string csv = FileUtf8(JoinPath(dir_, "longperiod_TEST01.csv"));
  const std::vector<TLongPeriodEntry> entries = ReadLongPeriodLog(JoinPath(dir_, "longperiod_TEST01.csv"));
  ASSERT_EQ(entries.size(), 1u) << csv;
  EXPECT_GE(entries[0].Class, 2);
  EXPECT_GT(entries[0].Sva, live.Sva - 0.05);
  EXPECT_EQ(ListLines()[0].substr(20), Printf("　長周期地震動階級 %d (Sva %.1fcm/s, %.1f秒)",
                                              entries[0].Class, entries[0].Sva, entries[0].Period));
  EXPECT_NE(csv.find(atStart[2].substr(1, 19) + ","), std::string::npos) << "the detection's time";

  // Measuring stops during the next alarm: it is recorded too, and the list joins both.
  source_.SwingGal = 6.0;
  ASSERT_TRUE(TickUntil([&] { return panel_->AlarmState.Active; }, 200, 10));
  panel_->N1Click();
  EXPECT_EQ(ReadLongPeriodLog(JoinPath(dir_, "longperiod_TEST01.csv")).size(), 2u);
  EXPECT_EQ(CountContaining(ListLines(), "　長周期地震動階級 "), 2);
  panel_->Views->ShowAlarmRecords();
  TAlarmRecordsForm& records = *panel_->Views->AlarmRecordsForm();
  ASSERT_EQ(records.LongPeriodTexts.size(), 2u);
  EXPECT_EQ(records.AlarmList->topLevelItem(1)->text(3).toStdString(), LongPeriodEntryText(&entries[0]));
  records.ShowAlarm(1);
  EXPECT_NE(
      records.ChartView->chart()->title().toStdString().find("長周期 " + LongPeriodEntryText(&entries[0])),
      std::string::npos);
  // An alarm without a line shows the dash.
  ASSERT_TRUE(WriteFileAtomically(JoinPath(dir_, "longperiod_TEST01.csv"), ""));
  records.Reload();
  EXPECT_EQ(records.AlarmList->topLevelItem(0)->text(3).toStdString(), "—");
}

}  // namespace
}  // namespace tevra::test
