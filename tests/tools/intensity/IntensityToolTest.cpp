#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Cp932.h"
#include "support/ScratchDir.h"
#include "tools/common/RecordReader.h"
#include "tools/intensity/IntensityRun.h"

namespace tevra {
namespace {

const std::string kJma = std::string(TEVRA_TEST_DATA) + "/jma/";

struct ToolResult {
  int status = -1;
  std::string out;
};

ToolResult RunTool(const std::string& args) {
  ToolResult r;
  const std::string cmd = std::string(TEVRA_INTENSITY_TOOL) + " " + args + " 2>/dev/null";
  std::FILE* p = popen(cmd.c_str(), "r");
  char buf[4096];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string LastLine(const std::string& out) {
  const auto end = out.find_last_not_of('\n');
  const auto start = out.rfind('\n', end);
  return out.substr(start == std::string::npos ? 0 : start + 1,
                    end - (start == std::string::npos ? 0 : start + 1) + 1);
}

TEST(IntensityTool, PublishedFiguresOfTheBundledRecords) {
  const struct {
    const char* file;
    int lowTenths, highTenths;
  } records[] = {{"AA06EA01.csv", 51, 51},
                 {"Q4149CF2.csv", 57, 57},
                 {"Q4169D2004.csv", 46, 46},
                 {"Q416EED018.csv", 49, 50}};  // published 5.0, on the class boundary
  for (const auto& rec : records) {
    const TResult<std::vector<TAccelSample>> samples = ReadRecordSamples(kJma + rec.file);
    ASSERT_TRUE(samples) << samples.Error().Message;
    const auto run = RunIntensity(samples.Value(), false, nullptr);
    EXPECT_GE(OfficialTenths(run.MaxIntensity), rec.lowTenths) << rec.file;
    EXPECT_LE(OfficialTenths(run.MaxIntensity), rec.highTenths) << rec.file;
  }
}

TEST(IntensityTool, PrintsEveryBlockAndTheMaximumLine) {
  const auto r = RunTool("--every " + kJma + "AA06EA01.csv");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 10), "0.50 0.00\n");
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 30000 / 50 + 1);
  EXPECT_EQ(LastLine(r.out), "max 5.16 21.00 5.1 ５強");
  EXPECT_NE(r.out.find("\n21.00 5.16\n"), std::string::npos) << "the maximum's time names its block";
  EXPECT_EQ(r.out.find("\n20.50 5.16\n"), std::string::npos);
}

TEST(IntensityTool, LongPeriodLinesComeBeforeTheMaximumLine) {
  const auto r = RunTool("--long-period " + kJma + "AA06EA01.csv");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, 16), "sva 1.6 39.3371\n");
  EXPECT_NE(r.out.find("\nsva 3.6 44.2432\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nband 3 44.2432 2\n"), std::string::npos);
  EXPECT_NE(r.out.find("\nlong-period 2 44.2432 3.6\nmax 5.16 21.00 5.1 ５強\n"), std::string::npos);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 32 + 7 + 1 + 1);
  // The other records: the class, the largest velocity and its period.
  const struct {
    const char* file;
    const char* line;
  } records[] = {{"Q4149CF2.csv", "long-period 3 69.8767 1.6"},
                 {"Q4169D2004.csv", "long-period 1 5.1009 1.6"},
                 {"Q416EED018.csv", "long-period 1 8.4141 1.6"}};
  for (const auto& rec : records) {
    EXPECT_NE(RunTool("--long-period " + kJma + rec.file).out.find(std::string("\n") + rec.line + "\n"),
              std::string::npos)
        << rec.file;
  }
  const auto help = RunTool("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--long-period"), std::string::npos);
}

TEST(IntensityTool, OfficialFigureIsRoundedThenCut) {
  EXPECT_EQ(OfficialTenths(5.16), 51);
  EXPECT_EQ(OfficialTenths(4.99), 49);
  EXPECT_EQ(OfficialTenths(5.0), 50);
  EXPECT_EQ(OfficialTenths(0.0), 0);
}

class IntensityToolFiles : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
    return dir_ + "/" + name;
  }
  test::TScratchDir scratch_;
  const std::string dir_ = scratch_.Path;
};

TEST_F(IntensityToolFiles, ReadsBlankSeparatedCp932AndCrlfAndRejectsBadInput) {
  std::string blanks = Utf8ToCp932("観測点 米子\r\n") + "X Y Z\r\n";
  std::string commas;
  for (int i = 0; i < 2100; ++i) {
    const std::string x = std::to_string((i * 37) % 11 - 5), y = std::to_string((i * 13) % 7 - 3);
    blanks += "  " + x + "\t" + y + "  3e-1\r\n";
    commas += x + "," + y + ",0.3\n";
  }
  const auto fromBlanks = RunTool("--every " + Write("blank.txt", blanks));
  EXPECT_EQ(fromBlanks.status, 0);
  EXPECT_EQ(fromBlanks.out, RunTool("--every " + Write("comma.csv", commas)).out);
  EXPECT_EQ(std::count(fromBlanks.out.begin(), fromBlanks.out.end(), '\n'), 42 + 1);

  std::string shortRecord;
  for (int i = 0; i < 120; ++i) shortRecord += "0,0,0\n";
  const auto partial = RunTool("--every " + Write("short.csv", shortRecord));
  EXPECT_EQ(partial.status, 2);
  EXPECT_EQ(partial.out, "0.50 0.00\n1.00 0.00\nmax 0.00 0.50 0.0 ０\n");

  EXPECT_EQ(RunTool(Write("empty.csv", "header only\nnan,1,2\n1,2\n")).status, 1);
  EXPECT_EQ(RunTool(dir_ + "/missing.csv").status, 1);
  EXPECT_EQ(RunTool("").status, 1);
  EXPECT_EQ(RunTool("--bogus " + dir_ + "/short.csv").status, 1);
  EXPECT_EQ(RunTool(dir_).status, 1);  // a folder is no record
  // Not text: the reading ends at a zero byte or a line over 1 MB, not when the memory runs out.
  EXPECT_EQ(RunTool("/dev/zero").status, 1);
  EXPECT_EQ(RunTool(Write("zero.csv", commas + std::string("1,2,3\0\n", 7) + commas)).status, 1);
  EXPECT_EQ(RunTool(Write("long.csv", commas + std::string(MaxRecordLineBytes + 1, ' ') + "\n")).status, 1);
  EXPECT_EQ(RunTool(Write("almost.csv", commas + std::string(MaxRecordLineBytes, ' ') + "\n")).status, 0);
  // Amplitudes that overflow the computation have no figure: an error, never a quiet 0.
  std::string huge;
  for (int i = 0; i < 2100; ++i) huge += (i % 7 < 3 ? "1e154," : "-1e154,") + std::string("0,0\n");
  const auto overflow = RunTool(Write("huge.csv", huge));
  EXPECT_EQ(overflow.status, 1);
  EXPECT_EQ(overflow.out.find("max"), std::string::npos);
}

TEST_F(IntensityToolFiles, ARecordThatCannotBeReadSaysWhy) {
  const TResult<TRecord> missing = ReadRecord(dir_ + "/missing.csv");
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.Error().Message, dir_ + "/missing.csv: No such file or directory");
  EXPECT_EQ(missing.Error().Errno, ENOENT);
  const TResult<TRecord> zero = ReadRecord(Write("zero.csv", std::string("1,2,3\n4,5\0,6\n", 13)));
  ASSERT_FALSE(zero);
  EXPECT_EQ(zero.Error().Message, dir_ + "/zero.csv: line 2 holds a zero byte: not a text record");
}

TEST(RecordReader, LinesMustStartWithThreeFiniteNumbers) {
  TAccelSample s;
  EXPECT_TRUE(ParseRecordLine("-0.018,0.000,-0.017\r", s));
  EXPECT_EQ(s.Z, -0.017);
  EXPECT_TRUE(ParseRecordLine("1 2 3 4", s));
  EXPECT_TRUE(ParseRecordLine("1, 2 ,3", s));
  EXPECT_FALSE(ParseRecordLine(" NS,EW,UD", s));
  EXPECT_FALSE(ParseRecordLine("1,2", s));
  EXPECT_FALSE(ParseRecordLine("1,2,3abc", s));
  EXPECT_FALSE(ParseRecordLine("1,,2,3", s));
  EXPECT_FALSE(ParseRecordLine("1,nan,3", s));
  EXPECT_FALSE(ParseRecordLine("1e999,0,0", s));
}

}  // namespace
}  // namespace tevra
