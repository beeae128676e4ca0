// The clock and disk checks of the status bar, with the kernel's answers faked.
#include <gtest/gtest.h>
#include <sys/timex.h>

#include <map>

#include "station/ClockHealth.h"
#include "station/DiskSpace.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace {

TEST(ClockHealthTest, OnlyAClockTheKernelCallsSynchronisedCountsAsSuch) {
  struct {
    const char* Name;
    bool Answers;
    TClockReading Reading;
    std::string Text;
  } cases[] = {
      {"NTP keeps it", true, {TIME_OK, STA_PLL, 500}, "時刻同期 ±0.5ms"},
      {"a leap second is announced", true, {TIME_INS, STA_PLL | STA_INS, 12000}, "時刻同期 ±12.0ms"},
      {"no NTP client", true, {TIME_ERROR, STA_UNSYNC, 16000000}, "時刻未同期"},
      {"unsynchronised flag alone", true, {TIME_OK, STA_UNSYNC, 0}, "時刻未同期"},
      {"the clock's hardware failed", true, {TIME_ERROR, STA_CLOCKERR, 0}, "時刻未同期"},
      {"the query fails", false, {}, "時刻 不明"},
  };
  for (const auto& c : cases) {
    const TClockHealth health = ReadClockHealth([&](TClockReading& r) {
      r = c.Reading;
      return c.Answers;
    });
    EXPECT_EQ(ClockHealthText(health), c.Text) << c.Name;
  }
  EXPECT_EQ(ClockHealthText(ReadClockHealth(nullptr)), "時刻 不明");
  TClockReading real;
  EXPECT_TRUE(KernelClockQuery(real)) << "reading the state needs no privilege";
}

TEST(DiskSpaceTest, TheTightestFolderDecidesAndEachFolderIsAskedOnce) {
  const std::uint64_t MB = 1000 * 1000;
  const std::map<std::string, std::uint64_t> disks = {
      {"/events", 5300 * MB}, {"/detail", 80 * MB}, {".", 100 * MB}, {"/archive", 250 * MB}};
  struct {
    const char* Name;
    std::vector<std::string> Folders;
    std::string Text;
    bool Low;
  } cases[] = {
      {"the detail folder is nearly full", {"/events", "/detail"}, "空き 80MB 不足", true},
      {"plenty everywhere", {"/events", "/events"}, "空き 5.3GB", false},
      {"the working directory, exactly 100 MB", {"", "/events"}, "空き 100MB", false},
      {"a folder that cannot be asked is left out", {"/missing", "/archive"}, "空き 250MB", false},
      {"nothing known", {"/missing"}, "空き 不明", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::string> asked;
    TDiskCheck check;
    check.Check(0, c.Folders, [&](const std::string& folder, std::uint64_t& bytes) {
      asked.push_back(folder);
      const auto it = disks.find(folder);
      if (it == disks.end()) return false;
      bytes = it->second;
      return true;
    });
    EXPECT_EQ(DiskSpaceText(check), c.Text);
    EXPECT_EQ(check.Low(), c.Low);
    EXPECT_EQ(asked.size(), check.Results().size());
    EXPECT_NE(std::find(asked.begin(), asked.end(), c.Folders.back().empty() ? "." : c.Folders.back()),
              asked.end());
  }
}

TEST(DiskSpaceTest, ChecksAtTheStartThenHourlyAndAsksTheRealFileSystem) {
  TDiskCheck check;
  EXPECT_TRUE(check.Due(0));
  test::TScratchDir dir;
  check.Check(1000, {dir.Path, dir.File("missing")}, KernelFreeSpace);
  EXPECT_FALSE(check.Due(1000 + TDiskCheck::EveryMs - 1));
  EXPECT_TRUE(check.Due(1000 + TDiskCheck::EveryMs));
  ASSERT_EQ(check.Results().size(), 2u);
  EXPECT_TRUE(check.Results()[0].Known);
  EXPECT_GT(check.Results()[0].FreeBytes, 0u);
  EXPECT_FALSE(check.Results()[1].Known);
}

}  // namespace
}  // namespace tevra
