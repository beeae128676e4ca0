// The per-minute history file: written across midnight, read back with gaps and damaged lines, and
// a disk that refuses it.
#include "history/HistoryFile.h"

#include <filesystem>

#include "support/ScratchDirTest.h"

namespace tevra {
namespace {

using namespace std::string_literals;

class HistoryFileTest : public ScratchDirTest {
 protected:
  std::string Bytes(const std::string& path) {
    std::string bytes;
    ReadWholeFile(path, bytes);
    return bytes;
  }
  THistoryWriter writer_;
};

TEST_F(HistoryFileTest, MinutesAcrossMidnightGoToTheirDaysFiles) {
  // Ticks of the last minute of one day and the first of the next; the maxima are per minute.
  const struct {
    TLocalDateTime t;
    double intensity, composite;
  } ticks[] = {
      {{2007, 10, 30, 23, 58, 59}, 0.10, 0.9},  {{2007, 10, 30, 23, 59, 0}, 0.30, 2.04},
      {{2007, 10, 30, 23, 59, 30}, 1.234, 1.0}, {{2007, 10, 30, 23, 59, 59}, 0.0, 0.5},
      {{2007, 10, 31, 0, 0, 0}, 2.5, 12.25},    {{2007, 10, 31, 0, 0, 10}, 0.2, 0.1},
  };
  int ended = 0;
  for (const auto& k : ticks) {
    if (writer_.Add(k.t, k.intensity, k.composite)) {
      ++ended;
      EXPECT_EQ(writer_.WriteWaiting(dir_), THistoryWriter::hwWritten);
    }
  }
  EXPECT_EQ(ended, 2);
  writer_.EndMinute();  // the stop writes the minute in progress
  EXPECT_EQ(writer_.WriteWaiting(dir_), THistoryWriter::hwWritten);
  EXPECT_EQ(Bytes(Path("history/20071030.csv")), "2007/10/30 23:58,0.10,0.9\n2007/10/30 23:59,1.23,2.0\n");
  EXPECT_EQ(Bytes(Path("history/20071031.csv")), "2007/10/31 00:00,2.50,12.2\n");

  const auto all = ReadHistory(dir_, {2007, 10, 30, 23, 0, 0}, {2007, 10, 31, 1, 0, 0});
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[2].Minute, (TLocalDateTime{2007, 10, 31, 0, 0, 0}));
  EXPECT_EQ(all[1].Intensity, 1.23);
  EXPECT_EQ(SplitAtGaps(all).size(), 1u) << "midnight is no gap";
  EXPECT_EQ(ReadHistory(dir_, {2007, 10, 30, 23, 59, 0}, {2007, 10, 30, 23, 59, 0}).size(), 1u);
}

TEST_F(HistoryFileTest, ReadingSkipsDamagedLinesAndSplitsAtMissingMinutes) {
  std::filesystem::create_directories(Path("history"));
  ASSERT_TRUE(WriteFileAtomically(Path("history/20071030.csv"),
                                  "2007/10/30 12:00,0.50,3.0\n"
                                  "2007/10/30 12:01,0.60,3.1\r\n"
                                  "2007/10/30 12:0\x00\x00,9.99,9.9\n"  // torn by a crash
                                  "2007/10/30 12:02,nan,1.0\n"
                                  "2007/10/30 12:02,0.7\n"
                                  "2007/10/30 25:02,0.7,1.0\n"
                                  "garbage\n"
                                  "2007/10/30 12:05,1.50,8.0\n"
                                  "2007/10/30 12:06,1.40,9.0\n"
                                  "2007/10/30 12:05,1.20,9.5\n"    // a stop and a start in one minute
                                  "2007/10/30 12:09,0.10,0.2"s));  // no line end yet
  const auto minutes = ReadHistory(dir_, {2007, 10, 30, 0, 0, 0}, {2007, 10, 30, 23, 59, 0});
  ASSERT_EQ(minutes.size(), 5u);
  EXPECT_EQ(minutes[2].Intensity, 1.50);
  EXPECT_EQ(minutes[2].Composite, 9.5);
  const auto runs = SplitAtGaps(minutes);
  ASSERT_EQ(runs.size(), 3u);
  EXPECT_EQ(runs[0].size(), 2u);
  EXPECT_EQ(runs[1].size(), 2u);
  EXPECT_EQ(runs[2][0].Minute.Minute, 9);
  EXPECT_TRUE(ReadHistory(dir_, {2007, 10, 29, 0, 0, 0}, {2007, 10, 29, 23, 0, 0}).empty()) << "no file";
}

TEST_F(HistoryFileTest, RefusedWritesAreReportedOncePerOutageAndWrittenLater) {
  // The history folder's place is taken by a file: nothing can be created there.
  ASSERT_TRUE(WriteFileAtomically(Path("history"), "in the way"));
  writer_.Add({2007, 10, 30, 12, 0, 5}, 1.0, 2.0);
  ASSERT_TRUE(writer_.Add({2007, 10, 30, 12, 1, 0}, 1.1, 2.1));
  EXPECT_EQ(writer_.WriteWaiting(dir_), THistoryWriter::hwFirstFailure);
  ASSERT_TRUE(writer_.Add({2007, 10, 30, 12, 2, 0}, 1.2, 2.2));
  EXPECT_EQ(writer_.WriteWaiting(dir_), THistoryWriter::hwStillFailing);
  EXPECT_EQ(writer_.Waiting(), 2u);

  std::filesystem::remove(Path("history"));
  ASSERT_TRUE(writer_.Add({2007, 10, 30, 12, 3, 0}, 1.3, 2.3));
  EXPECT_EQ(writer_.WriteWaiting(dir_), THistoryWriter::hwWritten);
  EXPECT_EQ(Bytes(Path("history/20071030.csv")),
            "2007/10/30 12:00,1.00,2.0\n2007/10/30 12:01,1.10,2.1\n2007/10/30 12:02,1.20,2.2\n");

  // A full disk: the line is not torn, the next outage is reported again.
  std::filesystem::remove(Path("history/20071030.csv"));
  std::filesystem::create_symlink("/dev/full", Path("history/20071030.csv"));
  ASSERT_TRUE(writer_.Add({2007, 10, 30, 12, 4, 0}, 0.0, 0.0));
  EXPECT_EQ(writer_.WriteWaiting(dir_), THistoryWriter::hwFirstFailure);
  EXPECT_EQ(writer_.Waiting(), 1u);
}

}  // namespace
}  // namespace tevra
