#include "history/LongPeriodRecord.h"

#include <sys/stat.h>

#include <cerrno>

#include "support/ScratchDirTest.h"
#include "settings/SettingsFile.h"
#include "settings/Profile.h"

namespace tevra {
namespace {

class LongPeriodRecordTest : public ScratchDirTest {};

TEST_F(LongPeriodRecordTest, SettingsReadBadValuesAsMissingAndWriteTheirSection) {
  const struct {
    const char* lines;
    bool alarm;
    int cls;
  } rows[] = {{"", false, 2},
              {"Alarm=1\nAlarmClass=4\n", true, 4},
              {"Alarm=1\nAlarmClass=1\n", true, 1},
              {"Alarm=2\nAlarmClass=5\n", false, 2},
              {"Alarm=yes\nAlarmClass=0\n", false, 2},
              {"Alarm=1x\nAlarmClass=3.0\n", false, 2}};
  for (const auto& r : rows) {
    ASSERT_TRUE(WriteFileAtomically(Path(kSettingsFileName), std::string("[LongPeriod]\n") + r.lines));
    const TLongPeriodSettings s = LoadLongPeriodSettings(Profile(kSettingsFileName));
    EXPECT_EQ(s.Alarm, r.alarm) << r.lines;
    EXPECT_EQ(s.AlarmClass, r.cls) << r.lines;
  }
  ASSERT_TRUE(WriteFileAtomically(Path(kSettingsFileName), "[00000000]\nID=A\n"));
  Profile profile(kSettingsFileName);
  SaveLongPeriodSettings({true, 3}, profile);
  EXPECT_EQ(Utf8Of(Path(kSettingsFileName)), "[00000000]\nID=A\n[LongPeriod]\nAlarm=1\nAlarmClass=3\n");
}

TEST_F(LongPeriodRecordTest, TheCriterionAndTheTexts) {
  EXPECT_FALSE(LongPeriodExceeds({false, 2}, 1000.0));
  EXPECT_FALSE(LongPeriodExceeds({true, 2}, 14.99));
  EXPECT_TRUE(LongPeriodExceeds({true, 2}, 15.0));
  EXPECT_TRUE(LongPeriodExceeds({true, 4}, 100.0));
  EXPECT_FALSE(LongPeriodExceeds({true, 4}, 99.9));
  const TLongPeriodMeter::TPeak peak{37.64, 13};
  EXPECT_EQ(LongPeriodStatusText(peak), "長周期 2 (37.6cm/s)");
  EXPECT_EQ(LongPeriodAlarmText(peak), "長周期地震動階級 2 (Sva 37.6cm/s, 4.2秒)");
  EXPECT_EQ(AlarmCriterionNote(false, true, {true, 2}), "警報の基準: 長周期地震動階級 2 以上");
  EXPECT_EQ(AlarmCriterionNote(true, false, {true, 2}), "警報の基準: 警報設定");
  EXPECT_EQ(AlarmCriterionNote(true, true, {true, 3}), "警報の基準: 警報設定と長周期地震動階級 3 以上");
}

TEST_F(LongPeriodRecordTest, AlarmLinesAreAppendedReadBackAndWaitWhileTheFolderFails) {
  TPanelSettings settings;
  settings.SensorId = "a/b";
  settings.EventFolder = Path("events");
  const TLocalDateTime first{2026, 12, 9, 0, 0, 0}, second{2026, 12, 9, 3, 4, 5};
  const std::string path = Path("events/longperiod_a_b.csv");
  EXPECT_EQ(LongPeriodLogPath(settings.EventFolder, settings.SensorId), path);

  // No folder: reported once, the lines wait and go with the next that succeeds.
  EXPECT_EQ(TLongPeriodLog().Append(settings, first, {1.0, 0}).Error().Message, TLongPeriodLog::FailedText);
  TLongPeriodLog log;
  const TStatus failed = log.Append(settings, first, {37.64, 13});
  ASSERT_FALSE(failed.Ok());
  EXPECT_EQ(failed.Error().Message, TLongPeriodLog::FailedText);
  EXPECT_EQ(failed.Error().Errno, ENOENT);
  EXPECT_TRUE(log.Append(settings, first, {38.0, 13}).Ok());
  ASSERT_EQ(::mkdir(settings.EventFolder.c_str(), 0755), 0);
  EXPECT_TRUE(log.Append(settings, second, {4.96, 0}).Ok());
  EXPECT_EQ(Utf8Of(path),
            "2026/12/09 00:00:00,2,37.6,4.2\n2026/12/09 00:00:00,2,38.0,4.2\n"
            "2026/12/09 03:04:05,0,5.0,1.6\n");
  settings.SaveEventLog = false;
  EXPECT_TRUE(log.Append(settings, second, {99.0, 0}).Ok());

  // Damaged lines are skipped; a detail stamp finds its alarm up to its lateness.
  ASSERT_TRUE(WriteFileAtomically(path, Utf8Of(path) + "2026/12/09 03:04:06,5,1.0,1.6\r\nx,1,2,3\n"
                                                       "2026/12/09 03:04:07,1,nan,1.6\n"
                                                       "2026/12/09 03:04:08,1,5.5,1.6,9\n"));
  const std::vector<TLongPeriodEntry> entries = ReadLongPeriodLog(path);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(LongPeriodEntryText(FindLongPeriodEntry(entries, first)), "2 (38.0cm/s, 4.2秒)");
  EXPECT_EQ(LongPeriodEntryText(FindLongPeriodEntry(entries, {2026, 12, 9, 3, 4, 7}, 2)),
            "0 (5.0cm/s, 1.6秒)");
  EXPECT_EQ(FindLongPeriodEntry(entries, {2026, 12, 9, 3, 4, 8}, 2), nullptr);
  EXPECT_EQ(FindLongPeriodEntry(entries, {2026, 12, 9, 3, 4, 4}, 2), nullptr);
  EXPECT_EQ(LongPeriodEntryText(nullptr), "—");
  EXPECT_TRUE(ReadLongPeriodLog(Path("missing.csv")).empty());
}

}  // namespace
}  // namespace tevra
