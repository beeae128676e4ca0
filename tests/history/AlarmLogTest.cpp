// Past alarms read back from the event log and the detail files the recording wrote.
#include "history/AlarmLog.h"

#include <filesystem>
#include <fstream>

#include "support/ScratchDirTest.h"

namespace tevra {
namespace {

TEST(AlarmLog, AlarmsOfTheReferenceEventLogAndOfBrokenSequences) {
  const auto reference = ReadAlarmLog(TEVRA_TEST_DATA "/output/Tevra_ABC.csv");
  ASSERT_EQ(reference.size(), 1u);
  EXPECT_EQ(reference[0].Detected, (TLocalDateTime{2007, 10, 30, 12, 34, 56}));
  EXPECT_EQ(reference[0].DetectedComposite, 123.5);
  EXPECT_TRUE(reference[0].HasMaximum);
  EXPECT_EQ(reference[0].MaximumAt, (TLocalDateTime{2007, 10, 30, 12, 35, 1}));
  EXPECT_EQ(reference[0].LargestIntensity(), 5.2);
  EXPECT_EQ(reference[0].LargestComposite(), 234.6);

  const auto alarms =
      ParseAlarmLog(Utf8ToCp932(" 2007/11/01,検出震度,3.1,検出加速度,20.0\n"  // midnight: the date alone
                                " 2007/11/01 00:00:05,計測終了\r\n"           // stopped during the alarm
                                " 2007/11/01 00:10:00,最大震度,3.5,最大加速度,30.0\n"  // no alarm is open
                                " 2007/11/01 01:00:00,検出震度,x,検出加速度,1.0\n"     // damaged
                                " 2007/11/01 02:00:00,検出震度,4.0,検出加速度,50.0\n"
                                " 2007/11/01 02:00:09,最大震度,4.4,最大加速度,80.5\n"
                                " 2007/11/01 26:00:00,検出震度,4.0,検出加速度,50.0\n"));  // no such hour
  ASSERT_EQ(alarms.size(), 2u);
  EXPECT_EQ(alarms[0].Detected, (TLocalDateTime{2007, 11, 1, 0, 0, 0}));
  EXPECT_FALSE(alarms[0].HasMaximum);
  EXPECT_EQ(alarms[0].LargestIntensity(), 3.1);
  EXPECT_EQ(alarms[1].LargestComposite(), 80.5);
  EXPECT_TRUE(ReadAlarmLog("/nonexistent/Tevra_X.csv").empty());
}

TEST(AlarmLog, AFollowerReadsWhatWasAppendedAndStartsOverOnAnotherFile) {
  test::TScratchDir dir;
  const std::string path = dir.File("Tevra_X.csv");
  const auto append = [&](const std::string& utf8) {
    std::ofstream(path, std::ios::app) << Utf8ToCp932(utf8);
  };
  const std::string detection = " 2007/11/01 02:00:00,検出震度,4.0,検出加速度,50.0\n";
  TAlarmLogFollower log;
  append(detection);
  ASSERT_EQ(log.Update(path).size(), 1u);
  EXPECT_FALSE(log.Update(path)[0].HasMaximum);
  append(" 2007/11/01 02:00:09,最大震度,4.4,最大加速度,80.5");  // its '\n' not yet written
  ASSERT_EQ(log.Update(path).size(), 1u);
  EXPECT_EQ(log.Update(path)[0].LargestComposite(), 80.5);
  append("\n 2007/11/01 03:00:00,検出震度,3.0,検出加速度,20.0\n");
  EXPECT_EQ(log.Update(path).size(), 2u);
  EXPECT_EQ(log.BytesRead(), std::filesystem::file_size(path)) << "every byte read once";

  const auto rewrite = [&](const std::string& utf8) {
    std::ofstream(path, std::ios::trunc) << Utf8ToCp932(utf8);
  };
  rewrite(detection);  // shorter
  ASSERT_EQ(log.Update(path).size(), 1u);
  EXPECT_EQ(log.Update(path)[0].DetectedIntensity, 4.0);
  rewrite(" 2007/11/01 02:00:00,検出震度,5.0,検出加速度,50.0\n");  // the same size, in place
  ASSERT_EQ(log.Update(path).size(), 1u);
  EXPECT_EQ(log.Update(path)[0].DetectedIntensity, 5.0);
  ASSERT_TRUE(WriteFileAtomically(path, Utf8ToCp932(detection + detection + detection)));  // replaced
  EXPECT_EQ(log.Update(path).size(), 3u);
  std::filesystem::remove(path);
  EXPECT_TRUE(log.Update(path).empty());
}

TEST(AlarmLog, DetailFileSamplesTheirDetectionAndTheFileOfAnAlarm) {
  TDetailSamples s;
  ASSERT_TRUE(ReadDetailFile(TEVRA_TEST_DATA "/output/20071030123456_ABC.csv", s));
  ASSERT_EQ(s.Size(), 4u);
  EXPECT_EQ(s.Y[0], -0.5);
  EXPECT_EQ(s.Composite[3], 1000000.0);
  EXPECT_EQ(s.Intensity[2], 4.46);
  EXPECT_EQ(DetectionIndex(s, {2007, 10, 30, 12, 34, 56}), 2);
  EXPECT_EQ(DetectionIndex(s, {2007, 10, 30, 12, 40, 0}), -1);
  EXPECT_FALSE(ReadDetailFile("/nonexistent.csv", s));

  // Across midnight, with a damaged line: the detection after midnight is found after it.
  test::TScratchDir dir;
  const std::string path = dir.File("20071030235959_ABC.csv");
  ASSERT_TRUE(WriteFileAtomically(path,
                                  "ABC,X(gal),Y(gal),Z(gal),計測震度,合成加速度(gal)\n"
                                  " 23:59:59,1.00,0.00,0.00,0.00,1.00\n"
                                  " 23:59:5,1.00,0.00,0.00,0.00,1.00\n"
                                  " 00:00:00,2.00,0.00,0.00,0.00,2.00\n"
                                  " 00:00:01,3.00,0.00,0.00,0.00,3.00\n"
                                  " 00:00:01,4.00,0.00,inf,0.00,4.00\n"));
  ASSERT_TRUE(ReadDetailFile(path, s));
  ASSERT_EQ(s.Size(), 3u);
  EXPECT_EQ(DetectionIndex(s, {2007, 10, 31, 0, 0, 1}), 2);
  EXPECT_EQ(DetectionIndex(s, {2007, 10, 30, 23, 59, 59}), 0);

  // The stamp is the clock a moment after the detection tick.
  EXPECT_EQ(FindDetailFile(dir.Path, "ABC", {2007, 10, 30, 23, 59, 58}), path);
  EXPECT_EQ(FindDetailFile(dir.Path, "ABC", {2007, 10, 30, 23, 59, 55}), "");
  EXPECT_EQ(FindDetailFile(dir.Path, "XYZ", {2007, 10, 30, 23, 59, 59}), "");
  TLocalDateTime stamp;
  ASSERT_TRUE(DetailFileStamp(path, stamp));
  EXPECT_EQ(stamp, (TLocalDateTime{2007, 10, 30, 23, 59, 59}));
  EXPECT_FALSE(DetailFileStamp(dir.File("Tevra_ABC.csv"), stamp));
}

}  // namespace
}  // namespace tevra
