#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <thread>

#include "support/RecordingPlatform.h"
#include "sensor/RS232C.h"
#include "sensor/VXTRRR.h"
#include "support/ScratchDir.h"
#include "tests/sensor/FakeLink.h"
#include "tests/tools/sensor-sim/Spawn.h"
#include "tools/common/RecordReader.h"
#include "tools/sensor-sim/SimOptions.h"
#include "tools/sensor-sim/SimSignal.h"

namespace tevra {
namespace {

using namespace tevra::sim;

const std::string Sim = std::string(TEVRA_BINARY_DIR) + "/tools/sensor-sim/tevra-sensor-sim";

TEST(SimSignalTest, SamplesBecomeFramesTheReaderAcceptsWhateverTheirSize) {
  EXPECT_EQ(FormatFrame(RawOfGal({0, 0, 0})), "2048,2048,1048,0\r");
  test::TFakeLink link;
  for (double g : {0.0, 5000.0, -5000.0, 1e9, -1e300, 2047 * GalPerCount, -2046 * GalPerCount}) {
    link.Chunks.push_back(FormatFrame(RawOfGal({g, g, g})));
    link.Chunks.push_back(FormatFrame(RawOfGal({g, -g, 0})));
  }
  test::TFakeOwner owner(&link);
  TRecordingPlatform platform;
  VXTRRR reader(owner, platform);
  while (!link.Chunks.empty()) {
    const std::string chunk = link.Chunks.front();
    ASSERT_TRUE(reader.ReadFrames()) << chunk;
    ASSERT_EQ(reader.SampleCount(), 1);
    const TAccelSample s = reader.Samples()[0];
    // What the reader sees is what GalOfRaw says was sent.
    const TAccelSample expected = GalOfRaw(
        {std::stoi(chunk.substr(0, 4)), std::stoi(chunk.substr(5, 4)), std::stoi(chunk.substr(10, 4))});
    EXPECT_DOUBLE_EQ(s.X * GalPerCount, expected.X);
    EXPECT_DOUBLE_EQ(s.Z * GalPerCount, expected.Z);
  }
  // Small values survive the round trip to within half a count.
  const TAccelSample back = GalOfRaw(RawOfGal({10.0, -20.0, 30.0}));
  EXPECT_NEAR(back.X - RestCounts.X * GalPerCount, 10.0, 0.5);
  EXPECT_NEAR(back.Y - RestCounts.Y * GalPerCount, -20.0, 0.5);
  EXPECT_NEAR(back.Z - RestCounts.Z * GalPerCount, 30.0, 0.5);
}

TEST(SimSignalTest, TheSyntheticQuakeHasItsPeaksAndEnvelope) {
  const std::vector<TAccelSample> q = SyntheticQuake(80.0, 7);
  ASSERT_EQ(q.size(), 1300u);
  double px = 0, py = 0, pz = 0;
  for (const TAccelSample& s : q) {
    px = std::max(px, std::fabs(s.X));
    py = std::max(py, std::fabs(s.Y));
    pz = std::max(pz, std::fabs(s.Z));
  }
  EXPECT_NEAR(px, 80.0, 1e-9);
  EXPECT_NEAR(py, 64.0, 1e-9);
  EXPECT_NEAR(pz, 40.0, 1e-9);
  EXPECT_EQ(q[0].X, 0.0);
  auto Rms = [&](int from, int to) {
    double e = 0;
    for (int i = from; i < to; ++i) e += q[i].X * q[i].X;
    return std::sqrt(e / (to - from));
  };
  EXPECT_GT(Rms(200, 800), 4 * Rms(1250, 1300));  // strong phase against the end of the decay
  EXPECT_GT(Rms(200, 800), 2 * Rms(0, 50));       // and against the start of the rise
  // Band-limited: no sample-to-sample jumps that an 8 Hz signal could not make.
  double jump = 0;
  for (std::size_t i = 1; i < q.size(); ++i) jump = std::max(jump, std::fabs(q[i].X - q[i - 1].X));
  EXPECT_LT(jump, 80.0 * 2 * M_PI * 8.0 / 100.0 * 1.2);
}

TEST(SimOptionsTest, OptionsAndFaultTimes) {
  const char* argv[] = {"sim",   "--speed",   "4", "--quake",     "30:80", "--silence",
                        "2:0.5", "--crlf-at", "1", "--garble-at", "1.5",   "--value-error-at",
                        "3",     "--seconds", "9", "--seed",      "3"};
  const TResult<TSimOptions> parsed = ParseSimOptions(17, argv);
  ASSERT_TRUE(parsed) << parsed.Error().Message;
  const TSimOptions& o = parsed.Value();
  EXPECT_EQ(o.Speed, 4.0);
  EXPECT_TRUE(o.Quake);
  EXPECT_EQ(o.QuakePeak, 80.0);
  EXPECT_EQ(o.Seed, 3u);
  EXPECT_TRUE(FaultsOf(o, 100).Crlf);
  EXPECT_TRUE(FaultsOf(o, 150).Garble);
  EXPECT_TRUE(FaultsOf(o, 300).ValueError);
  EXPECT_TRUE(FaultsOf(o, 200).Silent);
  EXPECT_TRUE(FaultsOf(o, 249).Silent);
  EXPECT_FALSE(FaultsOf(o, 250).Silent);
  EXPECT_FALSE(FaultsOf(o, 101).Crlf);
  for (std::vector<const char*> bad : {std::vector<const char*>{"sim", "--speed", "0"},
                                       {"sim", "--speed", "fast"},
                                       {"sim", "--quake", "30"},
                                       {"sim", "--silence", "1:x"},
                                       {"sim", "--seconds"},
                                       {"sim", "--seconds", "nan"},
                                       // Out of range: the stream's integers would overflow.
                                       {"sim", "--seconds", "1e16"},
                                       {"sim", "--speed", "1e308"},
                                       {"sim", "--speed", "1e-300"},
                                       {"sim", "--quake", "1e300:1e300"},
                                       {"sim", "--quake", "5:1e6"},
                                       {"sim", "--silence", "1:1e300"},
                                       {"sim", "--crlf-at", "-1"},
                                       {"sim", "--seed", "4294967296"},
                                       {"sim", "--bogus", "1"}}) {
    EXPECT_FALSE(ParseSimOptions(static_cast<int>(bad.size()), bad.data())) << bad[1];
  }
}

// Reads everything the simulator sends until it ends.
std::string Drain(RS232C& port, test::TChild& child) {
  std::string bytes;
  char buf[4096];
  for (int quiet = 0; quiet < 20;) {
    const int n = port.Read(buf, sizeof buf);
    if (n > 0) {
      bytes.append(buf, static_cast<std::size_t>(n));
      quiet = 0;
    } else {
      ++quiet;
    }
  }
  child.Wait();
  return bytes;
}

TEST(SimProcessTest, SendsTheRecordedSamplesWithTheFaultsAsked) {
  test::TScratchDir dir;
  const std::string record = dir.File("sent.csv");
  test::TChild sim({Sim, "--speed", "5", "--seconds", "3", "--record", record, "--crlf-at", "1",
                    "--garble-at", "2", "--value-error-at", "2.5", "--silence", "0.5:0.2", "--quake",
                    "0.2:50"});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  RS232C port(1, "baud=9600 parity=N data=8 stop=1", path);
  ASSERT_EQ(port.Status(), RS232C::PortReady);
  port.SetReadTimeout(50);
  const std::string bytes = Drain(port, sim);

  // 300 frames, 20 of them silent, one with an extra LF.
  ASSERT_EQ(bytes.size(), 280u * 17 + 1);
  const TResult<std::vector<TAccelSample>> read = ReadRecordSamples(record);
  ASSERT_TRUE(read) << read.Error().Message;
  const std::vector<TAccelSample>& sent = read.Value();
  ASSERT_EQ(sent.size(), 279u);  // the garbled frame holds no sample
  std::size_t pos = 0, k = 0;
  int crlf = 0, garbled = 0, valueErrors = 0;
  while (pos + 17 <= bytes.size()) {
    const std::string f = bytes.substr(pos, 17);
    pos += 17;
    if (pos < bytes.size() && bytes[pos] == '\n') {
      ++crlf;
      ++pos;
    }
    if (f[4] == ';') {
      ++garbled;
      continue;
    }
    const TRawValues raw{std::stoi(f.substr(0, 4)), std::stoi(f.substr(5, 4)), std::stoi(f.substr(10, 4))};
    if (raw.X == 1) ++valueErrors;
    const TAccelSample g = GalOfRaw(raw);
    ASSERT_LT(k, sent.size());
    EXPECT_NEAR(g.X, sent[k].X, 1e-4);
    EXPECT_NEAR(g.Y, sent[k].Y, 1e-4);
    EXPECT_NEAR(g.Z, sent[k].Z, 1e-4);
    ++k;
  }
  EXPECT_EQ(k, sent.size());
  EXPECT_EQ(crlf, 1);
  EXPECT_EQ(garbled, 1);
  EXPECT_EQ(valueErrors, 1);
}

TEST(SimProcessTest, ReplaysARecordAndEndsWithIt) {
  test::TScratchDir dir;
  {
    std::ofstream in(dir.File("in.csv"));
    in << "header line\n";
    for (int i = 0; i < 50; ++i) in << i << ", " << -i << ", 0.5\n";
  }
  test::TChild sim({Sim, "--speed", "10", "--replay", dir.File("in.csv"), "--record", dir.File("out.csv")});
  std::string path;
  ASSERT_TRUE(sim.ReadLine(path));
  // Opened long after the half-second the record lasts: it waits for its reader.
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  RS232C port(1, "baud=9600", path);
  port.SetReadTimeout(50);
  const std::string bytes = Drain(port, sim);
  EXPECT_EQ(bytes.size(), 50u * 17);
  const TResult<std::vector<TAccelSample>> read = ReadRecordSamples(dir.File("out.csv"));
  ASSERT_TRUE(read);
  const std::vector<TAccelSample>& out = read.Value();
  ASSERT_EQ(out.size(), 50u);
  EXPECT_NEAR(out[49].X - RestCounts.X * GalPerCount, 49.0, 0.5);
  EXPECT_NEAR(out[49].Y - RestCounts.Y * GalPerCount, -49.0, 0.5);
}

TEST(SimProcessTest, SigtermEndsItAndRemovesItsLinkOnly) {
  test::TScratchDir dir;
  const std::string link = dir.File("sensor");
  {
    test::TChild sim({Sim, "--link", link});
    std::string path;
    ASSERT_TRUE(sim.ReadLine(path));
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(path, target);
    kill(sim.Pid, SIGTERM);
    const int status = sim.Wait();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);
  }
  // A real file in the link's place is never replaced.
  {
    std::ofstream keep(link);
    keep << "keep\n";
  }
  // Its message on stdout, to be read.
  test::TChild sim({"/bin/sh", "-c", "exec \"$0\" --link \"$1\" --seconds 1 2>&1", Sim, link});
  const std::vector<std::string> said = sim.ReadAllLines();
  const int status = sim.Wait();
  EXPECT_EQ(WEXITSTATUS(status), 1);
  ASSERT_FALSE(said.empty());
  EXPECT_EQ(said.front(), "tevra-sensor-sim: cannot make the link " + link +
                              ": a file that is no symbolic link is in its place");
  std::ifstream kept(link);
  std::string text;
  kept >> text;
  EXPECT_EQ(text, "keep");
  test::TChild bad({Sim, "--speed", "-1"});
  EXPECT_EQ(WEXITSTATUS(bad.Wait()), 2);
  test::TChild missing({Sim, "--replay", dir.File("absent.csv")});
  EXPECT_EQ(WEXITSTATUS(missing.Wait()), 1);
}

}  // namespace
}  // namespace tevra
