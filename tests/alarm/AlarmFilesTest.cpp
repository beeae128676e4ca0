#include "alarm/AlarmFiles.h"

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <vector>

#include "support/ScratchDirTest.h"
#include "support/RecordingPlatform.h"
#include "core/Tevra.h"
#include "alarm/AlarmFileNames.h"

namespace tevra {
namespace {

namespace fs = std::filesystem;

class AlarmFilesTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    fs::create_directory(Path("ev"));
    fs::create_directory(Path("acc"));
    settings_.SensorId = "ABC";
    settings_.EventFolder = Path("ev");
    settings_.DetailFolder = Path("acc");
  }
  // Composite accelerations not given are the samples' magnitudes.
  void Push(const TLocalDateTime& t, std::vector<TAccelSample> samples, double intensity,
            std::vector<double> composite = {}) {
    for (std::size_t i = composite.size(); i < samples.size(); ++i)
      composite.push_back(Magnitude(samples[i]));
    PushTickRecords(recorder_.DetailRing, t, samples.data(), composite.data(), int(samples.size()),
                    intensity);
  }
  // Pushes `count` records whose X numbers them from `first`.
  void PushNumbered(int first, int count) {
    std::vector<TAccelSample> samples;
    for (int i = 0; i < count; ++i) samples.push_back({double(first + i), 0.0, 0.0});
    Push(kAlarmTime, samples, 1.0);
  }
  std::string Bytes(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
  }
  static constexpr TLocalDateTime kAlarmTime{2007, 10, 30, 12, 34, 56};
  TPanelSettings settings_;
  TAlarmFiles recorder_;
  TRecordingPlatform platform_;
  Tevra calculator_{""};
};

TEST_F(AlarmFilesTest, EventLogAndDetailFileMatchTheReferenceBytes) {
  EXPECT_TRUE(recorder_.OpenEventLog(settings_, "2007/10/30 12:30:00"));
  Push({2007, 10, 30, 12, 34, 55}, {{1.234, -0.5, 0.0}, {0.005, 0.015, -0.001}}, 2.5, {1.25});
  Push(kAlarmTime, {{10, 20, 30}}, 4.46);
  EXPECT_TRUE(recorder_.WriteDetectionLine(settings_, "2007/10/30 12:34:56", 4.46, 123.45).Ok());
  EXPECT_TRUE(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Ok());
  EXPECT_EQ(recorder_.DetailRing.Count(), 0);
  Push({2007, 10, 30, 12, 34, 57}, {{-1.005, 2.675, 1e6}}, 4.46);
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());  // nothing new: nothing written
  EXPECT_TRUE(recorder_.WriteFormatErrorLine("2007/10/30 12:35:00").Ok());
  EXPECT_TRUE(recorder_.WriteMaximumLine(settings_, "2007/10/30 12:35:01", 5.25, 234.56).Ok());
  recorder_.CloseDetailFile();
  EXPECT_TRUE(recorder_.WriteCommunicationErrorLine("2007/10/30 12:40:00").Ok());
  recorder_.CloseForStop(settings_, "2007/10/30 12:40:00");
  EXPECT_FALSE(recorder_.EventLog.IsOpen());
  // A second measurement appends to the same log.
  EXPECT_TRUE(recorder_.OpenEventLog(settings_, "2007/10/31"));
  recorder_.CloseForStop(settings_, "2007/10/31 00:00:05");

  EXPECT_EQ(Bytes(Path("ev/Tevra_ABC.csv")), Bytes(TEVRA_TEST_DATA "/output/Tevra_ABC.csv"))
      << Utf8Of(Path("ev/Tevra_ABC.csv"));
  EXPECT_EQ(Bytes(Path("acc/20071030123456_ABC.csv")),
            Bytes(TEVRA_TEST_DATA "/output/20071030123456_ABC.csv"))
      << Utf8Of(Path("acc/20071030123456_ABC.csv"));
  EXPECT_TRUE(platform_.Calls.empty());
}

TEST_F(AlarmFilesTest, SlashInTheIdBecomesUnderscoreInFileNamesOnly) {
  settings_.SensorId = "A/B";
  settings_.SaveNoiseOnAlarm = true;
  EXPECT_EQ(EventLogPath("/d/", "A/B"), "/d/Tevra_A_B.csv");
  EXPECT_TRUE(recorder_.OpenEventLog(settings_, "t"));
  EXPECT_TRUE(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Ok());
  EXPECT_TRUE(fs::exists(Path("ev/Tevra_A_B.csv")));
  EXPECT_EQ(Utf8Of(Path("acc/20071030123456_A_B.csv")),
            "A/B,X(gal),Y(gal),Z(gal),計測震度,合成加速度(gal)\n");
  EXPECT_TRUE(fs::exists(Path("20071030123456_A_B_noise.csv")));
}

TEST_F(AlarmFilesTest, SwitchedOffFilesLeaveNoTrace) {
  settings_.SaveEventLog = false;
  settings_.SaveDetailData = false;
  settings_.SaveNoiseOnAlarm = true;
  PushNumbered(0, 5);
  EXPECT_TRUE(recorder_.OpenEventLog(settings_, "t"));
  EXPECT_TRUE(recorder_.WriteFormatErrorLine("t").Ok());
  EXPECT_TRUE(recorder_.WriteDetectionLine(settings_, "t", 1, 1).Ok());
  EXPECT_TRUE(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Ok());
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  EXPECT_EQ(recorder_.DetailRing.Count(), 5);  // no file: the ring is left alone
  EXPECT_TRUE(recorder_.WriteMaximumLine(settings_, "t", 1, 1).Ok());
  recorder_.CloseForStop(settings_, "t");
  EXPECT_TRUE(fs::is_empty(Path("ev")));
  EXPECT_TRUE(fs::is_empty(Path("acc")));
  // Only the noise snapshot, 2048 lines of the memory-only baseline.
  std::istringstream noise(Bytes(Path("20071030123456_ABC_noise.csv")));
  int lines = 0;
  for (std::string line; std::getline(noise, line);) ++lines;
  EXPECT_EQ(lines, 2048);
}

// Lets the file grow only up to `limit` bytes while it lives, as a filling disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit l = saved_;
    l.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &l);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST_F(AlarmFilesTest, AMissingEventLogFolderFailsTheStartOnceAndLaterFailuresAreReportedOncePerOutage) {
  settings_.EventFolder = Path("missing");
  settings_.DetailFolder = Path("ev/Tevra_ABC.csv");  // a folder that is a file
  const TStatus opened = recorder_.OpenEventLog(settings_, "t");
  ASSERT_FALSE(opened.Ok());
  EXPECT_EQ(opened.Error().Message, kEventLogOpenFailedText);
  EXPECT_EQ(opened.Error().Errno, ENOENT);
  // Already reported by the start; then the folder appears (a disk mounted late).
  EXPECT_TRUE(recorder_.WriteDetectionLine(settings_, "t1", 3.0, 5.0).Ok());
  fs::create_directories(Path("missing"));
  EXPECT_TRUE(recorder_.WriteDetectionLine(settings_, "t2", 3.0, 5.0).Ok());
  const std::string log = Bytes(Path("missing/Tevra_ABC.csv"));
  EXPECT_EQ(log.find("t1"), std::string::npos);
  EXPECT_NE(log.find("t2"), std::string::npos);

  ASSERT_TRUE(WriteFileAtomically(Path("ev/Tevra_ABC.csv"), ""));
  PushNumbered(0, 3);
  EXPECT_EQ(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Error().Message,
            kDetailWriteFailedText);
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());  // the same outage
  EXPECT_FALSE(recorder_.DetailFile.IsOpen());
  EXPECT_EQ(recorder_.DetailRing.Count(), 3);
}

TEST_F(AlarmFilesTest, AFullDiskIsReportedOnceAndLeavesNoEmptyDetailFile) {
  fs::create_symlink("/dev/full", Path("ev/Tevra_ABC.csv"));
  ASSERT_TRUE(recorder_.OpenEventLog(settings_, "t"));
  const TStatus detection = recorder_.WriteDetectionLine(settings_, "t", 1, 1);
  EXPECT_EQ(detection.Error().Message, kDetectionLineFailedText);
  EXPECT_EQ(detection.Error().Errno, ENOSPC);
  EXPECT_TRUE(recorder_.WriteFormatErrorLine("t").Ok());
  EXPECT_TRUE(recorder_.WriteMaximumLine(settings_, "t", 1, 1).Ok());

  PushNumbered(0, 4);
  {
    FileSizeLimit limit(0);  // not even the header fits
    EXPECT_EQ(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Error().Message,
              kDetailWriteFailedText);
    EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  }
  EXPECT_TRUE(fs::is_empty(Path("acc")));
  EXPECT_EQ(recorder_.DetailRing.Count(), 4);
  // Room again: the next drain writes the header and every buffered sample.
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  EXPECT_EQ(recorder_.DetailRing.Count(), 0);
  const std::string detail = Bytes(Path("acc/20071030123456_ABC.csv"));
  EXPECT_EQ(std::count(detail.begin(), detail.end(), '\n'), 5);
}

TEST_F(AlarmFilesTest, DeletedFilesAndFoldersAreReportedOnceAndWrittenAgainWhenBack) {
  ASSERT_TRUE(recorder_.OpenEventLog(settings_, "t"));
  PushNumbered(0, 2);
  ASSERT_TRUE(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Ok());
  fs::remove_all(Path("ev"));
  fs::remove_all(Path("acc"));
  EXPECT_EQ(recorder_.WriteFormatErrorLine("t1").Error().Message, kMaximumLineFailedText);
  EXPECT_TRUE(recorder_.WriteFormatErrorLine("t2").Ok());
  PushNumbered(2, 2);
  EXPECT_EQ(recorder_.DrainDetailRing().Error().Message, kDetailWriteFailedText);
  PushNumbered(4, 2);
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  EXPECT_EQ(recorder_.DetailRing.Count(), 4);

  fs::create_directory(Path("ev"));
  fs::create_directory(Path("acc"));
  EXPECT_TRUE(recorder_.WriteFormatErrorLine("t3").Ok());
  EXPECT_EQ(Utf8Of(Path("ev/Tevra_ABC.csv")), " t3,データフォーマットエラー発生\n");
  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  EXPECT_EQ(recorder_.DetailRing.Count(), 0);
  EXPECT_EQ(Utf8Of(Path("acc/20071030123456_ABC.csv")).substr(0, 4), "ABC,");
  fs::remove_all(Path("ev"));
  EXPECT_EQ(recorder_.WriteFormatErrorLine("t4").Error().Message, kMaximumLineFailedText);
}

TEST_F(AlarmFilesTest, RefusedDetailLinesWaitInTheRingAndEachOutageIsReportedOnce) {
  PushNumbered(0, 3);
  ASSERT_TRUE(recorder_.StartAlarmRecording(settings_, kAlarmTime, calculator_).Ok());
  const std::string path = Path("acc/20071030123456_ABC.csv");
  const auto sizeAfterStart = fs::file_size(path);
  PushNumbered(3, 200);
  {
    FileSizeLimit limit(sizeAfterStart + 1000);  // room for some 30 lines, the last one torn
    const TStatus drained = recorder_.DrainDetailRing();
    EXPECT_EQ(drained.Error().Message, kDetailWriteFailedText);
    EXPECT_EQ(drained.Error().Errno, EFBIG);
    PushNumbered(203, 10);
    EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  }
  const std::string partial = Bytes(path);
  EXPECT_LE(partial.size(), sizeAfterStart + 1000);
  EXPECT_EQ(partial.back(), '\n');
  EXPECT_GT(recorder_.DetailRing.Count(), 150);

  EXPECT_TRUE(recorder_.DrainDetailRing().Ok());
  EXPECT_EQ(recorder_.DetailRing.Count(), 0);
  // Every record exactly once, in order, no torn line.
  std::istringstream lines(Bytes(path));
  std::string line;
  std::getline(lines, line);  // header
  int expected = 0;
  while (std::getline(lines, line)) {
    ASSERT_EQ(line, " 12:34:56," + std::to_string(expected) + ".00,0.00,0.00,1.00," +
                        std::to_string(expected) + ".00");
    ++expected;
  }
  EXPECT_EQ(expected, 213);

  // A new outage is reported again.
  recorder_.CloseDetailFile();
  ASSERT_TRUE(recorder_.StartAlarmRecording(settings_, {2007, 10, 30, 12, 40, 0}, calculator_).Ok());
  PushNumbered(0, 50);
  {
    FileSizeLimit limit(0);
    EXPECT_EQ(recorder_.DrainDetailRing().Error().Message, kDetailWriteFailedText);
  }
  EXPECT_EQ(recorder_.DetailRing.Count(), 50);
}

}  // namespace
}  // namespace tevra
