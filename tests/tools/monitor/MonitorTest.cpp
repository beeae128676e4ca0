#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "base/RecordingPlatform.h"
#include "sensor/VXTRRR.h"
#include "tests/sensor/FakeLink.h"
#include "tests/sensor/Pty.h"
#include "tests/tools/sensor-sim/Spawn.h"
#include "tools/monitor/MonitorLoop.h"
#include "tools/sensor-sim/SimSignal.h"

namespace tevra {
namespace {

// A sensor line in virtual time: every read returns the frames of the time that has passed since
// the previous read; `Edit` may change or drop the frame of index i.
class TClockedLink : public TSerialLink, public TPortOwner {
 public:
  explicit TClockedLink(TRecordingPlatform& p) : platform_(p), last_(p.MonotonicMs()) {}
  std::function<bool(long long i, std::string& frame)> Edit;  // false: frame not sent
  int Reopens = 0;

  int Read(char* buffer, int count) override {
    Fill();
    if (queue_.empty()) {
      platform_.Advance(100);  // nothing there: the read waits out its timeout
      Fill();
    }
    const int n = std::min<int>(count, static_cast<int>(queue_.size()));
    queue_.copy(buffer, static_cast<std::size_t>(n));
    queue_.erase(0, static_cast<std::size_t>(n));
    return n;
  }
  int Purge(unsigned) override {
    Fill();
    queue_.clear();
    return 1;
  }
  unsigned ClearCommError() override { return 0; }
  TSerialLink* CurrentPort() override { return this; }
  void ReopenPort() override { ++Reopens; }

 private:
  void Fill() {
    for (; last_ + 10 <= platform_.MonotonicMs(); last_ += 10, ++index_) {
      std::string f = sim::FormatFrame(sim::RawOfGal(noise_.Next()));
      if (!Edit || Edit(index_, f)) queue_ += f;
    }
  }
  TRecordingPlatform& platform_;
  std::int64_t last_;
  long long index_ = 0;
  std::string queue_;
  sim::TQuietSite noise_{5};
};

std::vector<std::string> RunFor(double seconds, const std::function<bool(long long, std::string&)>& edit,
                                int* reopens = nullptr) {
  TRecordingPlatform platform;
  platform.WallSeconds = 0;  // 00:00:00 UTC
  TClockedLink link(platform);
  link.Edit = edit;
  VXTRRR reader(link, platform);
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  RunMonitor(reader, platform, seconds, nullptr, out);
  std::fclose(out);
  std::vector<std::string> lines;
  std::string all(text, size);
  free(text);
  for (std::size_t pos = 0; pos < all.size();) {
    const std::size_t nl = all.find('\n', pos);
    lines.push_back(all.substr(pos, nl - pos));
    pos = nl + 1;
  }
  if (reopens) *reopens = link.Reopens;
  return lines;
}

TEST(MonitorLoopTest, AQuietLinePrintsAnIntensityEveryHalfSecond) {
  const std::vector<std::string> lines = RunFor(10.0, nullptr);
  ASSERT_GE(lines.size(), 2u);
  const std::regex intensity(R"(\d\d:\d\d:\d\d -?\d+\.\d\d \d+\.\d)");
  int n = 0;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], intensity)) << lines[i];
    ++n;
  }
  // Start: 0.2 s of checks and 0.3 s of waiting; then 9.5 s of ticks, one result per 0.5 s.
  EXPECT_NEAR(n, 19, 1);
  EXPECT_EQ(lines[0].substr(0, 7), "00:00:0");  // the local time of the tick
  std::smatch m;
  ASSERT_TRUE(std::regex_match(
      lines.back(), m, std::regex(R"(frames (\d+) format-errors 0 value-errors 0 no-data 0 overflows 0)")));
  EXPECT_NEAR(std::stoi(m[1]), 970, 15);  // 100 frames a second once aligned
}

TEST(MonitorLoopTest, FailuresArePrintedCountedAndReadingGoesOnWithoutPriming) {
  int reopens = 0;
  const std::vector<std::string> lines = RunFor(
      12.0,
      [](long long i, std::string& f) {
        if (i == 300) f[4] = ';';               // format error
        if (i == 600) f.replace(0, 4, "0001");  // X value 1
        return !(i >= 800 && i < 950);          // 1.5 s of silence is less than 100 empty reads: no failure
      },
      &reopens);
  std::vector<std::string> errors;
  for (const std::string& l : lines) {
    if (l.rfind("error", 0) == 0) errors.push_back(l);
  }
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "error 5 通信エラーが発生しました");
  EXPECT_EQ(errors[1], "error 3 センサが繋がっていません");
  EXPECT_EQ(reopens, 1);  // only the value error reopens the port
  EXPECT_EQ(lines.back().substr(lines.back().find(" format-errors")),
            " format-errors 1 value-errors 1 no-data 0 overflows 0");
  // Intensities keep coming after each failure.
  EXPECT_NE(lines[lines.size() - 2].rfind("error", 0), 0u);
}

TEST(MonitorLoopTest, TheLineHealthIsPrintedOnceAMinuteAndShowsAFrozenSensor) {
  std::string fixed;
  const std::vector<std::string> lines = RunFor(75.0, [&](long long i, std::string& f) {
    if (i == 4500) fixed = f;
    if (i > 4500) f = fixed;  // the sensor repeats one frame from 45 s on
    return true;
  });
  std::vector<std::string> health;
  for (const std::string& l : lines) {
    if (l.rfind("health", 0) == 0) health.push_back(l);
  }
  ASSERT_EQ(health.size(), 1u);
  EXPECT_TRUE(std::regex_match(
      health[0],
      std::regex(R"(health (99|100|101)\.\d frames/s format-errors 0 value-errors 0 newest 0\.\d s frozen)")))
      << health[0];
}

TEST(MonitorLoopTest, ASilentLineIsCheckedOnceASecond) {
  int reopens = 0;
  const std::vector<std::string> lines = RunFor(
      5.0, [](long long, std::string&) { return false; }, &reopens);
  ASSERT_GE(lines.size(), 5u);
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    EXPECT_EQ(lines[i], "error 4 データ受信できません。COMポート設定、シリアルと電源ケーブルの接続を確認");
  }
  EXPECT_EQ(lines.size() - 1, 5u);
  EXPECT_EQ(reopens, 5);
  EXPECT_EQ(lines.back(), "frames 0 format-errors 0 value-errors 0 no-data 5 overflows 0");
}

const std::string Bin = TEVRA_BINARY_DIR;

TEST(MonitorProcessTest, TheMonitorWatchesTheSimulatorThroughAPseudoTerminal) {
  test::TChild sim(
      {Bin + "/tools/sensor-sim/tevra-sensor-sim", "--seconds", "20", "--garble-at", "3", "--quake", "4:80"});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", path, "--seconds", "8"});
  const std::vector<std::string> lines = monitor.ReadAllLines();
  ASSERT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  ASSERT_GE(lines.size(), 10u);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "error 5 通信エラーが発生しました"), lines.end());
  double highest = 0;
  for (const std::string& l : lines) {
    if (std::regex_match(l, std::regex(R"(\d\d:\d\d:\d\d .*)")))
      highest = std::max(highest, std::stod(l.substr(9)));
  }
  EXPECT_GT(highest, 2.5);  // the quake shows
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines.back(), m, std::regex(R"(frames (\d+) format-errors 1 .*)")))
      << lines.back();
  EXPECT_GT(std::stoi(m[1]), 600);
  kill(sim.Pid, SIGTERM);
  sim.Wait();
}

TEST(MonitorProcessTest, BadArgumentsAreRefused) {
  for (std::vector<std::string> args : {std::vector<std::string>{Bin + "/tools/monitor/tevra-monitor"},
                                        {Bin + "/tools/monitor/tevra-monitor", "/dev/null", "--seconds", "x"},
                                        {Bin + "/tools/monitor/tevra-monitor", "a", "b"}}) {
    test::TChild monitor(args);
    EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 2);
  }
  // A device that is no terminal: no data, checked again every second, then the summary.
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", "/dev/null", "--seconds", "1.5"});
  const std::vector<std::string> lines = monitor.ReadAllLines();
  EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().substr(0, 8), "error 4 ");
  EXPECT_EQ(lines.back().substr(0, 9), "frames 0 ");
}

TEST(MonitorProcessTest, ADeviceTheUserMayNotOpenIsNamedAsSuch) {
  test::TPty pty;
  ASSERT_EQ(::chmod(pty.SlavePath.c_str(), 0), 0);
  std::vector<std::string> args = {Bin + "/tools/monitor/tevra-monitor", pty.SlavePath, "--seconds", "1.5"};
  if (geteuid() == 0) {  // root may open anything: run it as nobody
    args.insert(args.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
  }
  test::TChild monitor(args);
  const std::vector<std::string> lines = monitor.ReadAllLines();
  EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(),
            "error 4 シリアルポート " + pty.SlavePath +
                " を開く権限がありません。ユーザを dialout グループに加えて、ログインし直してください");
}

}  // namespace
}  // namespace tevra
