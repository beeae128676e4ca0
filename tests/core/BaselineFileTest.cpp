#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/AtomicFile.h"
#include "core/Tevra.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace {

namespace fs = std::filesystem;

class BaselineFileTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ + "/" + name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) {
    std::string bytes;
    ReadWholeFile(dir_ + "/" + name, bytes);
    return bytes;
  }
  std::vector<TAccelSample> Load(const std::string& bytes) {
    Write("in.csv", bytes);
    std::vector<TAccelSample> table(2048);
    EXPECT_TRUE(LoadBaseline(dir_ + "/in.csv", table));
    return table;
  }
  test::TScratchDir scratch_{test::TScratchDir::Enter};
  const std::string dir_ = scratch_.Path;
};

TEST_F(BaselineFileTest, ValuesAreWrittenWithSixSignificantDigitsAndReadBack) {
  std::vector<TAccelSample> table(2048);
  table[0] = {0.0, 12.345678, 0.000123456789};
  table[1] = {1.23456789e-05, 1e20, 123456789.0};
  table[2047] = {7.5, 0.1, 100000.0};
  const std::string text = FormatBaseline(table);
  EXPECT_EQ(text.substr(0, text.find('\n', text.find('\n') + 1) + 1),
            "0, 12.3457, 0.000123457\n1.23457e-05, 1e+20, 1.23457e+08\n");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2048);

  const auto back = Load(text);
  for (int i = 0; i < 2048; ++i) {
    for (double TAccelSample::*axis : {&TAccelSample::X, &TAccelSample::Y, &TAccelSample::Z}) {
      EXPECT_NEAR(back[i].*axis, table[i].*axis, std::abs(table[i].*axis) * 5e-6) << i;
    }
  }
}

TEST_F(BaselineFileTest, DamagedLinesLeaveTheirEntryZeroAndKeepTheRestInPlace) {
  std::string longLine(1500, '7');
  const auto table = Load(
      "1,2,3\r\n"             // CRLF
      "  4.5,\t5e1,6 tail\n"  // blanks before numbers, trailing text ignored
      "garbage\n"
      "1.0 , 2, 3\n"  // a blank before the comma does not fit the pattern
      "nan,1,1\n"
      "1,inf,1\n"
      "1,1,-0.5\n" +
      longLine +
      ",1,1\n"  // over-long: skipped as one line
      "1,2\n"
      "\n"
      "+8,9,10\n");
  EXPECT_EQ(table[0].X, 1);
  EXPECT_EQ(table[0].Z, 3);
  EXPECT_EQ(table[1].X, 4.5);
  EXPECT_EQ(table[1].Y, 50);
  for (int i = 2; i <= 9; ++i) {
    EXPECT_EQ(table[i].X + table[i].Y + table[i].Z, 0.0) << "line " << i + 1;
  }
  EXPECT_EQ(table[10].X, 8);
  EXPECT_EQ(table[10].Z, 10);
  for (int i = 11; i < 2048; ++i) ASSERT_EQ(table[i].X, 0.0);
}

TEST_F(BaselineFileTest, ShortAndLongFilesFillOnlyTheTable) {
  std::string ten, many;
  for (int i = 0; i < 10; ++i) ten += std::to_string(i + 1) + ", 1, 1\n";
  auto table = Load(ten);
  EXPECT_EQ(table[9].X, 10);
  EXPECT_EQ(table[10].X, 0);
  for (int i = 0; i < 3000; ++i) many += std::to_string(i) + ",0,0\n";
  table = Load(many);
  EXPECT_EQ(table.size(), 2048u);
  EXPECT_EQ(table[2047].X, 2047);
  table = Load("5,5,5");  // no final line feed
  EXPECT_EQ(table[0].Y, 5);
}

TEST_F(BaselineFileTest, MissingOrUnreadableFileLeavesTheTableZero) {
  std::vector<TAccelSample> table(2048);
  EXPECT_FALSE(LoadBaseline(dir_ + "/none.csv", table));
  fs::create_directory(dir_ + "/NoiseData.csv");  // a folder where the file should be
  Tevra t;
  for (const auto& e : t.Baseline()) ASSERT_EQ(e.X + e.Y + e.Z, 0.0);
}

TEST_F(BaselineFileTest, CalculatorLoadsFromAndSavesToTheWorkingDirectory) {
  Write("NoiseData.csv", "1,1,1\n2,2,2\n");
  {
    Tevra t;
    EXPECT_EQ(t.BaselinePath(), dir_ + "/NoiseData.csv");
    EXPECT_EQ(t.Baseline()[1].Y, 2);
    t.ResetBaseline();
    EXPECT_TRUE(t.SaveBaselineAs("20240115093005_Default_ID_noise.csv"));
    fs::create_directory("elsewhere");
    fs::current_path("elsewhere");  // the path was fixed at construction
  }
  fs::current_path(dir_);
  const std::string saved = Read("NoiseData.csv");
  EXPECT_EQ(saved.substr(0, 16), "1, 1, 1\n0, 0, 0\n");
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 2048);
  EXPECT_EQ(Read("20240115093005_Default_ID_noise.csv"), saved);
  EXPECT_FALSE(fs::exists(dir_ + "/elsewhere/NoiseData.csv"));
  Tevra memoryOnly{std::string()};
  EXPECT_FALSE(memoryOnly.SaveBaselineAs(dir_ + "/no/such/folder.csv"));
}

TEST_F(BaselineFileTest, CommaDecimalLocaleChangesNothing) {
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
  std::vector<TAccelSample> table(2048);
  table[0] = {1.5, 0.25, 3.0};
  const std::string text = FormatBaseline(table);
  const auto back = Load(text);
  std::setlocale(LC_NUMERIC, "C");
  EXPECT_EQ(text.substr(0, 13), "1.5, 0.25, 3\n");
  EXPECT_EQ(back[0].Y, 0.25);
}

}  // namespace
}  // namespace tevra
