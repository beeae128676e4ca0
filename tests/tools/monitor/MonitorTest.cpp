#include <gtest/gtest.h>
#include <sys/stat.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "support/RecordingPlatform.h"
#include "mqtt/Broker.h"
#include "sensor/VXTRRR.h"
#include "support/ScratchDir.h"
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
  const std::regex intensity(R"(\d\d:\d\d:\d\d -?\d+\.\d\d \d+\.\d lp 0 0\.\d)");
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

// A plain SeedLink client: one command, its answer line.
class TSeedLinkClient {
 public:
  explicit TSeedLinkClient(int port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) fd_ = -1;
  }
  ~TSeedLinkClient() {
    if (fd_ >= 0) close(fd_);
  }
  bool Send(const std::string& command) {
    const std::string line = command + "\r\n";
    return fd_ >= 0 && write(fd_, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  }
  // Exactly n bytes, or "" when they do not come within the time.
  std::string Read(std::size_t n, int timeoutMs = 15000) {
    std::string bytes;
    while (bytes.size() < n) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, timeoutMs) <= 0) return {};
      char buf[1024];
      const ssize_t got = read(fd_, buf, std::min(sizeof buf, n - bytes.size()));
      if (got <= 0) return {};
      bytes.append(buf, static_cast<std::size_t>(got));
    }
    return bytes;
  }
  std::string Line() {
    std::string line;
    for (std::string c; (c = Read(1)) != "" && c != "\n";) line += c;
    return line;
  }

 private:
  int fd_ = -1;
};

TEST(MonitorProcessTest, TheMonitorServesItsRecordsOverSeedLink) {
  test::TChild sim({Bin + "/tools/sensor-sim/tevra-sensor-sim", "--seconds", "30"});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", path, "--seconds", "14", "--seedlink",
                        "127.0.0.1:0", "--station", "XX.TEST"});
  std::string first;
  ASSERT_TRUE(monitor.ReadLine(first));
  std::smatch m;
  ASSERT_TRUE(std::regex_match(first, m, std::regex(R"(seedlink listening on 127\.0\.0\.1:(\d+))"))) << first;
  TSeedLinkClient client(std::stoi(m[1]));
  ASSERT_TRUE(client.Send("HELLO"));
  EXPECT_EQ(client.Line().substr(0, 48), "SeedLink v3.1 (tevra_panel " TEVRA_VERSION ") :: SLPROTO:3.1");
  client.Line();
  for (const char* command : {"STATION TEST XX", "DATA"}) {
    ASSERT_TRUE(client.Send(command));
    EXPECT_EQ(client.Line(), "OK\r") << command;
  }
  ASSERT_TRUE(client.Send("END"));
  std::set<std::string> channels;
  while (channels.size() < 3) {
    const std::string packet = client.Read(520);
    ASSERT_EQ(packet.size(), 520u) << "records of every channel within a flush";
    ASSERT_EQ(packet.substr(0, 2), "SL");
    EXPECT_EQ(packet.substr(8 + 8, 5), "TEST ");
    channels.insert(packet.substr(8 + 15, 3));
  }
  EXPECT_EQ(channels, (std::set<std::string>{"HN1", "HN2", "HNZ"}));
  // A client the server drops is a line of its own.
  TSeedLinkClient garbled(std::stoi(m[1]));
  ASSERT_TRUE(garbled.Send(std::string(300, 'A')));
  std::string line;
  while (monitor.ReadLine(line) && line.find("seedlink SeedLink: ") != 0) {
  }
  EXPECT_TRUE(std::regex_match(
      line, std::regex(R"(seedlink SeedLink: 127\.0\.0\.1:\d+ 切断: コマンド行が 256 バイトを超えた)")))
      << line;
  kill(monitor.Pid, SIGTERM);
  EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  kill(sim.Pid, SIGTERM);
  sim.Wait();
}

// The web page's figures as the monitor measures them; it keeps no history or alarms.
TEST(MonitorProcessTest, TheMonitorServesItsFiguresOnTheWeb) {
  test::TChild sim({Bin + "/tools/sensor-sim/tevra-sensor-sim", "--seconds", "30"});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", path, "--seconds", "8", "--web", "127.0.0.1:0"});
  std::string line;
  std::smatch m;
  while (monitor.ReadLine(line) && !std::regex_match(line, m, std::regex(R"(web listening on 127\.0\.0\.1:(\d+))"))) {
  }
  ASSERT_FALSE(m.empty()) << line;
  const int port = std::stoi(m[1]);
  const auto get = [port](const std::string& target) {
    TSeedLinkClient client(port);
    client.Send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close");
    client.Send("");
    std::string response;
    for (std::string piece; !(piece = client.Read(1)).empty();) response += piece;
    return response;
  };
  std::string status;
  for (int i = 0; i < 40 && status.find("\"time\":\"") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    status = get("/api/status");
  }
  EXPECT_NE(status.find("\"state\":\"measuring\""), std::string::npos) << status;
  EXPECT_NE(status.find("\"history\":false"), std::string::npos) << status;
  EXPECT_TRUE(std::regex_search(status, std::regex(R"("free_bytes":[0-9]+)"))) << status;
  EXPECT_EQ(get("/api/history?span=1h").substr(0, 12), "HTTP/1.1 404");
  EXPECT_EQ(get("/api/alarms").substr(0, 12), "HTTP/1.1 404");
  kill(monitor.Pid, SIGTERM);
  EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  kill(sim.Pid, SIGTERM);
  sim.Wait();
}

TEST(MonitorProcessTest, BadArgumentsAreRefused) {
  const std::string m = Bin + "/tools/monitor/tevra-monitor";
  for (std::vector<std::string> args : {std::vector<std::string>{m},
                                        {m, "/dev/null", "--seconds", "x"},
                                        {m, "/dev/null", "--seconds", "1e16"},
                                        {m, "/dev/null", "--seconds", "-0"},
                                        {m, "a", "b"},
                                        {m, "a", "--archive"},
                                        {m, "a", "--seedlink", "70000"},
                                        {m, "a", "--seedlink", ":18000"},
                                        {m, "a", "--seedlink", "127.0.0.1:x"},
                                        {m, "a", "--archive", ""},
                                        {m, "a", "--station", "XX"},
                                        {m, "a", "--station", "XXX.STA"},
                                        {m, "a", "--station", "XX.STATION"},
                                        {m, "a", "--station", "XX.STA.LOC"},
                                        {m, "a", "--station", "xx.sta"},
                                        {m, "a", "--channels", "HN1,HN2"},
                                        {m, "a", "--channels", "HN1,HN2,HN"},
                                        {m, "a", "--stationxml", ""},
                                        {m, "a", "--site", "90,0,0"},
                                        {m, "a", "--site", "35,139"},
                                        {m, "a", "--azimuths", "360,0"},
                                        {m, "a", "--azimuths", "90"},
                                        {m, "a", "--start-date", "2023-02-29"},
                                        {m, "a", "--start-date", "24-03-01"},
                                        {m, "a", "--mqtt", ""},
                                        {m, "a", "--mqtt", "host:0"},
                                        {m, "a", "--mqtt", "host:x"},
                                        {m, "a", "--mqtt", "h", "--mqtt-prefix", "a/#"},
                                        {m, "a", "--mqtt-user", "u"},
                                        {m, "a", "--mqtt", "h", "--mqtt-password-file", "pw"},
                                        {m, "a", "--mqtt", "h", "--mqtt-user", "u", "--mqtt-password-file",
                                         "/nonexistent"},
                                        {m, "a", "--web", "127.0.0.1:x"},
                                        {m, "a", "--web", ":18080"},
                                        {m, "a", "--web-token-file", ""}}) {
    test::TChild monitor(args);
    EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 2) << args.back();
  }
  // Beyond loopback only with a token from a private file.
  const std::string token = ::testing::TempDir() + "monitor_web_token";
  std::FILE* file = std::fopen(token.c_str(), "w");
  std::fputs("0123456789abcdef0123456789abcdef\n", file);
  std::fclose(file);
  ::chmod(token.c_str(), 0644);
  for (std::vector<std::string> args : {std::vector<std::string>{m, "/dev/null", "--web", "0.0.0.0:0"},
                                        {m, "/dev/null", "--web", "0.0.0.0:0", "--web-token-file", token}}) {
    test::TChild refused(args);
    EXPECT_EQ(WEXITSTATUS(refused.Wait()), 1) << args.back();
  }
  std::remove(token.c_str());
  // A device that is no terminal: no data, checked again every second, then the summary.
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", "/dev/null", "--seconds", "1.5"});
  const std::vector<std::string> lines = monitor.ReadAllLines();
  EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front().substr(0, 8), "error 4 ");
  EXPECT_EQ(lines.front(), "error 4 " + std::string(SensorErrorText(VXTRRR::ReaderNoData)) +
                               " — /dev/null: TCGETS2: Inappropriate ioctl for device");
  EXPECT_EQ(lines.back().substr(0, 9), "frames 0 ");
  // A device that is not there is named once at the start, on stderr.
  const std::string missing = ::testing::TempDir() + "monitor_missing_device";
  test::TChild absent({Bin + "/tools/monitor/tevra-monitor", missing, "--seconds", "0.2"}, true);
  const std::vector<std::string> said = absent.ReadAllLines();
  EXPECT_EQ(WEXITSTATUS(absent.Wait()), 0);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.front(), "tevra-monitor: " + missing + ": open: No such file or directory");
}

TEST(MonitorProcessTest, StationXmlStartsOnTheGivenDayElseTheArchivesOldestElseToday) {
  test::TScratchDir scratch(test::TScratchDir::Enter);
  std::filesystem::create_directories("sds/2023/XX/TEVRA/HNZ.D");
  std::ofstream("sds/2023/XX/TEVRA/HNZ.D/XX.TEVRA..HNZ.D.2023.360") << std::string(512, 'x');
  const std::string m = Bin + "/tools/monitor/tevra-monitor";
  const auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {m, "--stationxml", "x.xml"});
    test::TChild monitor(args);
    EXPECT_EQ(WEXITSTATUS(monitor.Wait()), 0);
    std::ifstream in("x.xml");
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  const std::string given = run({"--start-date", "2024-03-01", "--archive", "sds"});
  EXPECT_NE(given.find("<Network code=\"XX\" startDate=\"2024-03-01T00:00:00Z\">"), std::string::npos);
  EXPECT_NE(run({"--archive", "sds"}).find("startDate=\"2023-12-26T00:00:00Z\""), std::string::npos);
  const auto today = [] {
    char day[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(day, sizeof day, "%Y-%m-%d", std::gmtime(&now));
    return std::string(day);
  };
  const std::string before = today();
  const std::string made = run({"--azimuths", "10,20.5", "--channels", "HNE,HNN,HNZ"});
  const bool dated = made.find("startDate=\"" + before) != std::string::npos ||
                     made.find("startDate=\"" + today()) != std::string::npos;
  EXPECT_TRUE(dated);
  EXPECT_NE(made.find("<Azimuth>10</Azimuth>"), std::string::npos);
  EXPECT_NE(made.find("<Azimuth>20.5</Azimuth>"), std::string::npos);
}

TEST(MonitorProcessTest, TheMonitorPublishesIntensityAndStateOverMqtt) {
  test::TBroker broker;
  ASSERT_TRUE(broker.Start());
  test::TSubscriber sub(broker);
  ASSERT_TRUE(sub.Subscribed);
  test::TChild sim({Bin + "/tools/sensor-sim/tevra-sensor-sim", "--seconds", "20"});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", path, "--seconds", "4", "--station", "XX.TEST",
                        "--mqtt", "127.0.0.1:" + std::to_string(broker.Port)});
  const std::vector<std::string> lines = monitor.ReadAllLines();
  ASSERT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "mqtt MQTT: ブローカーに接続しました（127.0.0.1:" +
                                                       std::to_string(broker.Port) + "）"),
            1);
  // Every intensity printed went out, with the same figure and long-period class.
  std::vector<std::string> printed;
  for (const std::string& l : lines) {
    std::smatch v;
    if (std::regex_match(l, v, std::regex(R"(\d\d:\d\d:\d\d ([0-9.]+) [0-9.]+ lp (\d) [0-9.]+)")))
      printed.push_back(v.str(1) + " lp " + v.str(2));
  }
  ASSERT_TRUE(sub.WaitCount("tevra/XX.TEST/availability offline", 1));
  std::vector<std::string> published;
  for (const std::string& m : sub.Messages()) {
    std::smatch v;
    if (std::regex_search(m, v,
                          std::regex(R"(^tevra/XX\.TEST/intensity \{"time":"[-0-9T:.]+Z","intensity":([0-9.]+),)"
                                     R"re(.*"long_period_class":"(\d)","sva_cm_s":)re"))) {
      published.push_back(v.str(1) + " lp " + v.str(2));
    }
  }
  EXPECT_GE(printed.size(), 5u);
  EXPECT_EQ(published, printed);
  EXPECT_EQ(sub.Count("tevra/XX.TEST/state {\"state\":\"measuring\""), 1);
  EXPECT_EQ(sub.Count("tevra/XX.TEST/state {\"state\":\"stopped\""), 1);
  EXPECT_EQ(sub.Count("tevra/XX.TEST/availability online"), 1);
  EXPECT_EQ(sub.Count("homeassistant/"), 0);
  kill(sim.Pid, SIGTERM);
  sim.Wait();
}

// One continuous piece of a channel as an independent reader (mseed2sac) sees the day file.
struct TSacSegment {
  std::int64_t StartMicros = 0;
  std::vector<float> Samples;
};

// The SAC files mseed2sac wrote into the working directory, in time order. A SAC file is a
// 632-byte header (70 floats, 40 integers, strings) followed by the samples as floats.
std::vector<TSacSegment> ReadSacFiles() {
  std::vector<TSacSegment> segments;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    if (entry.path().extension() != ".SAC") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    char header[632];
    in.read(header, sizeof header);
    float f[70];
    std::int32_t n[40];
    std::memcpy(f, header, sizeof f);
    std::memcpy(n, header + 280, sizeof n);
    std::tm t{};
    t.tm_year = n[0] - 1900;
    t.tm_mday = n[1];  // the day of the year: timegm normalises it
    t.tm_hour = n[2];
    t.tm_min = n[3];
    t.tm_sec = n[4];
    TSacSegment s;
    s.StartMicros = static_cast<std::int64_t>(timegm(&t)) * 1000000 + n[5] * 1000LL +
                    static_cast<std::int64_t>(std::llround(f[5] * 1e6));
    EXPECT_NEAR(f[0], 0.01, 1e-6);
    s.Samples.resize(static_cast<std::size_t>(n[9]));
    in.read(reinterpret_cast<char*>(s.Samples.data()), static_cast<std::streamsize>(n[9] * sizeof(float)));
    segments.push_back(std::move(s));
    std::filesystem::remove(entry.path());
  }
  std::sort(segments.begin(), segments.end(),
            [](const TSacSegment& a, const TSacSegment& b) { return a.StartMicros < b.StartMicros; });
  return segments;
}

std::int64_t UtcMicrosNow() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<std::int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

TEST(MonitorProcessTest, TheArchiveHoldsEverySampleReadInTimeWithAGapWhereAFrameWasGarbled) {
  test::TScratchDir scratch(test::TScratchDir::Enter);
  test::TChild sim({Bin + "/tools/sensor-sim/tevra-sensor-sim", "--seconds", "16", "--garble-at", "6",
                    "--quake", "1:60", "--record", "sent.csv"});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  const std::int64_t simStart = UtcMicrosNow();  // the simulator sends frame i at simStart + i * 10 ms
  test::TChild monitor({Bin + "/tools/monitor/tevra-monitor", path, "--seconds", "11", "--archive", "sds",
                        "--station", "XX.TEST.00", "--channels", "EN1,EN2,ENZ"});
  const std::vector<std::string> lines = monitor.ReadAllLines();
  ASSERT_EQ(WEXITSTATUS(monitor.Wait()), 0);
  kill(sim.Pid, SIGTERM);
  sim.Wait();
  long long frames = 0;
  ASSERT_EQ(std::sscanf(lines.back().c_str(), "frames %lld format-errors 1", &frames), 1) << lines.back();

  // Counts as the reader orients them: what the simulator recorded, in gal, over 0.980665.
  std::vector<std::array<float, 3>> sent;
  std::ifstream csv("sent.csv");
  for (double x, y, z; csv >> x && csv.ignore(1) >> y && csv.ignore(1) >> z;) {
    sent.push_back({static_cast<float>(std::lround(x / 0.980665)),
                    static_cast<float>(std::lround(y / 0.980665)),
                    static_cast<float>(std::lround(z / 0.980665))});
  }
  std::array<std::vector<TSacSegment>, 3> channels;
  for (int c = 0; c < 3; ++c) {
    const std::string channel = std::string(".EN") + "12Z"[c] + ".D.";
    for (const auto& file : std::filesystem::recursive_directory_iterator("sds")) {
      if (!file.is_regular_file() || file.path().filename().string().find(channel) == std::string::npos)
        continue;
      test::TChild sac({"/usr/bin/mseed2sac", file.path().string()});
      ASSERT_EQ(WEXITSTATUS(sac.Wait()), 0);
    }
    channels[c] = ReadSacFiles();
  }
  // Every segment is a run of what was sent, the runs in order; where the garbled frame's batch
  // was dropped there is a gap, never samples moved in time.
  for (int c = 0; c < 3; ++c) {
    const std::vector<TSacSegment>& segments = channels[c];
    ASSERT_GE(segments.size(), 2u) << c;
    std::size_t from = 0;
    long long total = 0;
    int gaps = 0;
    for (const TSacSegment& s : segments) {
      std::size_t k = from;
      auto matches = [&](std::size_t at) {
        if (at + s.Samples.size() > sent.size()) return false;
        for (std::size_t i = 0; i < s.Samples.size(); ++i) {
          if (sent[at + i][c] != s.Samples[i]) return false;
        }
        return true;
      };
      while (k < sent.size() && !matches(k)) ++k;
      ASSERT_LT(k, sent.size()) << "channel " << c << " segment at " << s.StartMicros;
      gaps += k > from && from > 0;
      const std::int64_t sentAt = simStart + static_cast<std::int64_t>(k) * 10000;
      EXPECT_LT(std::llabs(s.StartMicros - sentAt), 300000) << "channel " << c;
      from = k + s.Samples.size();
      total += static_cast<long long>(s.Samples.size());
    }
    EXPECT_GE(gaps, 1) << c;
    EXPECT_EQ(total, frames) << c;
  }
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
