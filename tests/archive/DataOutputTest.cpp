#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>

#include <cmath>
#include <fstream>
#include <map>
#include <optional>

#include "support/ScratchDirTest.h"
#include "base/AtomicFile.h"
#include "archive/DataOutput.h"
#include "archive/DataOutputSeedLink.h"
#include "archive/SampleClock.h"
#include "archive/SdsArchive.h"
#include "archive/StationXml.h"
#include "tests/support/MseedTestRecords.h"
#include "tests/support/SeedLinkTestTools.h"

namespace tevra {
namespace {

constexpr std::int64_t kSecond = 1000000;
constexpr std::int64_t kSample = TSampleClock::SampleMicros;
// 2024-03-09 23:59:00 UTC, one minute before midnight.
constexpr std::int64_t kBeforeMidnight = 1710028740LL * kSecond;

TEST(SampleClockTest, BatchesContinueUntilTheClockDisagreesThenANewSegmentStarts) {
  struct TRow {
    const char* what;
    int n;
    std::int64_t readMs;  // from t0
    std::int64_t firstMs;
    bool newSegment;
  };
  const TRow rows[] = {
      {"first batch: the newest sample is the read", 10, 0, -90, true},
      {"the next tick", 10, 100, 10, false},
      {"a tick 150 ms late brings more samples", 25, 350, 110, false},
      {"a read jittering by 150 ms", 5, 550, 360, false},
      {"samples lost on the line: a gap", 10, 1000, 910, true},
      {"continues", 10, 1100, 1010, false},
      {"a clock step back by 1 s", 10, 200, 110, true},
  };
  const std::int64_t t0 = 1700000000LL * kSecond;
  TSampleClock clock;
  for (const TRow& r : rows) {
    const TSampleClock::TPlacement p = clock.Place(r.n, t0 + r.readMs * 1000);
    EXPECT_EQ(p.FirstMicros, t0 + r.firstMs * 1000) << r.what;
    EXPECT_EQ(p.NewSegment, r.newSegment) << r.what;
  }
  clock.Break();
  EXPECT_TRUE(clock.Place(10, t0 + 1300000).NewSegment);  // after a stop

  // A segment anchored 100 ms late, then 100 ms of samples lost: the next read alone would join
  // the segments.
  TSampleClock late;
  late.Place(10, t0 + 100000);  // samples 10 .. 100 ms, really -90 .. 0
  late.Lost();                  // 10 .. 100 thrown away
  TSampleClock::TPlacement p = late.Place(10, t0 + 200000);
  EXPECT_TRUE(p.NewSegment);
  EXPECT_EQ(p.FirstMicros, t0 + 120000);  // one sample after the segment's end: the gap shows
  late.Lost();
  p = late.Place(10, t0 + 5000000);  // a later read is believed
  EXPECT_EQ(p.FirstMicros, t0 + 4910000);
  late.Lost();
  p = late.Place(10, t0 - 3000000);  // so is a clock stepped back
  EXPECT_EQ(p.FirstMicros, t0 - 3090000);
}

TEST(SampleClockTest, ADriftingSensorNeverStraysMoreThanThreeTenthsOfASecond) {
  for (double rate : {97.0, 99.9, 100.1, 103.0}) {
    TSampleClock clock;
    const std::int64_t t0 = 1700000000LL * kSecond;
    double sent = 0.0;
    int segments = 0;
    for (int tick = 1; tick <= 36000; ++tick) {  // one hour of 100-ms ticks
      const std::int64_t read = t0 + tick * 100000LL;
      const double due = rate * tick / 10.0;
      const int n = static_cast<int>(due - sent);
      sent += n;
      if (n == 0) continue;
      const TSampleClock::TPlacement p = clock.Place(n, read);
      segments += p.NewSegment;
      const std::int64_t newest = p.FirstMicros + (n - 1) * kSample;
      ASSERT_LE(std::llabs(newest - read), 300000) << rate << " at tick " << tick;
    }
    EXPECT_GT(segments, 1) << rate;
  }
}

TEST(SdsArchiveTest, DayFilePathsFollowTheSdsLayout) {
  const TStreamId id{"XX", "TEVRA", "", "HNZ"};
  EXPECT_EQ(SdsFilePath("/data/sds", id, kBeforeMidnight),
            "/data/sds/2024/XX/TEVRA/HNZ.D/XX.TEVRA..HNZ.D.2024.069");
  EXPECT_EQ(SdsFilePath("/data/sds/", id, kBeforeMidnight + 60 * kSecond),
            "/data/sds/2024/XX/TEVRA/HNZ.D/XX.TEVRA..HNZ.D.2024.070");
  EXPECT_EQ(SdsFilePath("a", {"JP", "S1", "00", "HN1"}, 1704067199999999),  // last microsecond of 2023
            "a/2023/JP/S1/HN1.D/JP.S1.00.HN1.D.2023.365");
}

// A facade fed in 100-ms ticks of a known signal, with every record it sends decoded.
class DataOutputTest : public ScratchDirTest {
 protected:
  DataOutputTest() {
    output_.SetRecordSink([this](const std::uint8_t* r, std::size_t length) {
      test::TDecoded d;
      ASSERT_EQ(length, 512u);
      ASSERT_TRUE(test::Decode(r, length, d));
      // No sample waits longer than the flush time (and the tick that notices it).
      EXPECT_LE(now_ - d.StartMicros, settings_.FlushSeconds * kSecond + 100000) << d.Channel;
      records_.push_back(d);
    });
  }
  void Configure() { output_.Configure(settings_); }
  // `ticks` ticks of 10 samples each, read at `start` + 0.1 s per tick.
  void Run(std::int64_t start, int ticks) {
    for (int t = 0; t < ticks; ++t) {
      TAccelSample s[10];
      for (auto& v : s) {
        v = {2048.0 + (next_ % 37) - 18, 2048.0 - (next_ % 5), 3048.0 + 900 * std::sin(next_ * 0.05)};
        sent_.push_back(v);
        ++next_;
      }
      now_ = start + t * 100000LL;
      output_.Feed(s, 10, now_);
    }
  }
  std::vector<std::int32_t> Channel(const std::string& code) const {
    std::vector<std::int32_t> all;
    for (const auto& r : records_) {
      if (r.Channel == code) all.insert(all.end(), r.Samples.begin(), r.Samples.end());
    }
    return all;
  }

  bool synced_ = true;
  std::vector<std::string> log_;
  TDataOutput output_{[this](const std::string& l) { log_.push_back(l); }, [this] { return synced_; }};
  TDataOutputSettings settings_;
  std::vector<test::TDecoded> records_;
  std::vector<TAccelSample> sent_;
  long next_ = 0;
  std::int64_t now_ = 0;
};

TEST_F(DataOutputTest, EverySampleArrivesOnceInTimeWithRecordsSplitAtMidnight) {
  Configure();
  Run(kBeforeMidnight, 1200);  // two minutes, midnight in the middle
  output_.Stop();
  const std::int64_t midnight = kBeforeMidnight + 60 * kSecond;
  std::map<std::string, std::int64_t> expectedStart;
  for (const auto& r : records_) {
    EXPECT_EQ(r.Encoding, DE_STEIM2);
    EXPECT_EQ(r.Quality, 'D');
    EXPECT_EQ(r.TimingQuality, 100);
    EXPECT_TRUE(r.ClockLocked);
    const std::int64_t end = r.StartMicros + static_cast<std::int64_t>(r.Samples.size()) * kSample;
    EXPECT_TRUE(end <= midnight || r.StartMicros >= midnight) << r.StartMicros;
    // Contiguous per channel: each record starts where the last one ended.
    auto [it, first] = expectedStart.emplace(r.Channel, r.StartMicros);
    EXPECT_EQ(r.StartMicros, it->second) << r.Channel;
    it->second = end;
  }
  EXPECT_EQ(expectedStart["HN1"], kBeforeMidnight - 90000 + 120 * kSecond);
  const std::vector<std::int32_t> x = Channel("HN1"), y = Channel("HN2"), z = Channel("HNZ");
  ASSERT_EQ(x.size(), sent_.size());
  ASSERT_EQ(z.size(), sent_.size());
  for (std::size_t i = 0; i < sent_.size(); ++i) {
    ASSERT_EQ(x[i], std::lround(sent_[i].X));
    ASSERT_EQ(y[i], std::lround(sent_[i].Y));
    ASSERT_EQ(z[i], std::lround(sent_[i].Z));
  }
}

TEST_F(DataOutputTest, ALostBatchShowsAsAGapAndAnUnsyncedClockIsMarked) {
  synced_ = false;
  settings_.Channels = {"BN1", "BN2", "BNZ"};
  Configure();
  Run(kBeforeMidnight, 50);
  output_.BatchLost();
  Run(kBeforeMidnight + 6 * kSecond, 50);
  output_.Stop();
  // Records of a channel run on without a break except at the lost batch.
  std::vector<std::int64_t> breaks;
  std::int64_t end = 0;
  for (const auto& r : records_) {
    EXPECT_EQ(r.TimingQuality, 0);
    EXPECT_FALSE(r.ClockLocked);
    if (r.Channel != "BNZ") continue;
    if (r.StartMicros != end) breaks.push_back(r.StartMicros);
    end = r.StartMicros + static_cast<std::int64_t>(r.Samples.size()) * kSample;
  }
  // Both anchored on their first batch: the second is not shifted to follow the first.
  EXPECT_EQ(breaks,
            (std::vector<std::int64_t>{kBeforeMidnight - 90000, kBeforeMidnight + 6 * kSecond - 90000}));
  EXPECT_EQ(Channel("BN1").size(), 1000u);
}

TEST_F(DataOutputTest, AnArchiveThatFailsKeepsRecordsAndWritesThemOnceItWorksAgain) {
  // A file where the archive's folder should be: nothing can be created below it (even as root).
  const std::string blocker = Path("blocker");
  ASSERT_TRUE(WriteFileAtomically(blocker, "x"));
  settings_.Archive = true;
  settings_.ArchiveFolder = blocker + "/sds";
  Configure();
  Run(kBeforeMidnight, 200);   // 20 s: records for every channel
  EXPECT_EQ(log_.size(), 1u);  // one line for the outage, not one per record
  ASSERT_NE(output_.Archive(), nullptr);
  const std::size_t waiting = output_.Archive()->Pending();
  EXPECT_GT(waiting, 6u);
  ASSERT_EQ(std::remove(blocker.c_str()), 0);
  Run(kBeforeMidnight + 20 * kSecond, 200);  // the retry comes within 10 s
  output_.Stop();
  EXPECT_EQ(output_.Archive()->Pending(), 0u);
  ASSERT_EQ(log_.size(), 2u);
  EXPECT_NE(log_[1].find("再開"), std::string::npos);
  const std::string day = SdsFilePath(settings_.ArchiveFolder, {"XX", "TEVRA", "", "HN2"}, kBeforeMidnight);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(day, bytes));
  std::size_t hn2 = 0;
  for (const auto& r : records_) hn2 += r.Channel == "HN2";
  EXPECT_EQ(bytes.size(), hn2 * 512);  // every record, in the order sent
  for (std::size_t i = 0, k = 0; i < records_.size(); ++i) {
    if (records_[i].Channel != "HN2") continue;
    test::TDecoded d;
    ASSERT_TRUE(test::Decode(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 512 * k++, 512, d));
    EXPECT_EQ(d.StartMicros, records_[i].StartMicros);
  }
}

TEST_F(DataOutputTest, PastTheBoundTheOldestRecordsAreDroppedAndThatIsLoggedOnce) {
  const std::string blocker = Path("blocker");
  ASSERT_TRUE(WriteFileAtomically(blocker, "x"));
  std::vector<std::string> lines;
  TSdsArchive archive(
      blocker + "/sds", [&](const std::string& l) { lines.push_back(l); }, 3);
  std::uint8_t record[512] = {};
  const TStreamId id{"XX", "TEVRA", "", "HNZ"};
  for (int i = 0; i < 8; ++i) {
    record[0] = static_cast<std::uint8_t>('0' + i);
    archive.Write(record, id, kBeforeMidnight + i * kSecond, kBeforeMidnight + i * kSecond);
  }
  EXPECT_EQ(archive.Pending(), 3u);
  EXPECT_EQ(archive.Dropped(), 5);
  ASSERT_EQ(lines.size(), 2u);  // the outage, the first loss
  ASSERT_EQ(std::remove(blocker.c_str()), 0);
  archive.Retry(kBeforeMidnight + 30 * kSecond);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[2].find("5件を破棄"), std::string::npos) << lines[2];
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(SdsFilePath(blocker + "/sds", id, kBeforeMidnight), bytes));
  ASSERT_EQ(bytes.size(), 3 * 512u);
  EXPECT_EQ(std::string() + bytes[0] + bytes[512] + bytes[1024], "567");  // the newest three, in order
  {
    // An archive given up while its folder still fails says what it loses.
    ASSERT_TRUE(WriteFileAtomically(Path("blocker2"), "x"));
    TSdsArchive gone(Path("blocker2/sds"), [&](const std::string& l) { lines.push_back(l); });
    gone.Write(record, id, kBeforeMidnight, kBeforeMidnight);
  }
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_NE(lines[4].find("1件を破棄"), std::string::npos) << lines[4];
}

TEST_F(DataOutputTest, AFullDiskNeverLeavesPartOfARecordInTheDayFile) {
  // A file size limit of 700 bytes: the second record fits only in part, as on a full disk.
  std::vector<std::string> lines;
  TSdsArchive archive(Path("sds"), [&](const std::string& l) { lines.push_back(l); });
  const TStreamId id{"XX", "TEVRA", "", "HNZ"};
  const std::string day = SdsFilePath(Path("sds"), id, kBeforeMidnight);
  std::uint8_t record[512] = {};
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 700;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  for (int i = 0; i < 3; ++i) {
    record[0] = static_cast<std::uint8_t>('a' + i);
    archive.Write(record, id, kBeforeMidnight, kBeforeMidnight + i * kSecond);
  }
  const auto sizeDuringOutage = std::filesystem::file_size(day);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(sizeDuringOutage, 512u);
  EXPECT_EQ(archive.Pending(), 2u);
  archive.Retry(kBeforeMidnight + 20 * kSecond);
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(day, bytes));
  ASSERT_EQ(bytes.size(), 3 * 512u);
  EXPECT_EQ(std::string() + bytes[0] + bytes[512] + bytes[1024], "abc");
  EXPECT_EQ(lines.size(), 2u);  // the outage and its end
}

}  // namespace
}  // namespace tevra

namespace tevra {
namespace {

class StationXmlTest : public ScratchDirTest {};

TEST(DataOutputSeedLinkTest, ClientsStayConnectedUntilTheServersAddressOrPortChanges) {
  std::vector<std::string> log;
  TDataOutput record{[](const std::string&) {}, [] { return true; }};
  TSeedLinkServer server;
  LinkSeedLinkServer(record, server, [&](const std::string& line) { log.push_back(line); });
  TDataOutputSettings s;
  s.SeedLink = true;
  s.SeedLinkAddress = "127.0.0.1";
  s.SeedLinkPort = 0;
  record.Configure(s);
  ASSERT_TRUE(server.Running());
  const int port = server.Port();
  test::TSeedLinkTestClient client(port);
  ASSERT_EQ(client.Command("STATION TEVRA XX"), "OK");

  s.Station = "OTHER";
  s.FlushSeconds = 10;
  record.Configure(s);
  EXPECT_EQ(server.Port(), port);
  EXPECT_EQ(client.Command("SELECT HN?"), "OK");
  EXPECT_TRUE(record.Active());

  s.SeedLinkAddress = "127.0.0.2";
  record.Configure(s);
  EXPECT_TRUE(server.Running());
  EXPECT_EQ(client.Command("SELECT HN?"), "");  // its connection went with the old server

  s.SeedLinkAddress = "not an address";
  record.Configure(s);
  EXPECT_FALSE(server.Running());
  EXPECT_FALSE(record.Active());
  ASSERT_EQ(log.size(), 1u);
  s.SeedLink = false;
  record.Configure(s);
  EXPECT_FALSE(server.Running());
  EXPECT_EQ(log.size(), 1u);
}

TEST_F(StationXmlTest, TheDocumentIsTheReferenceAndValidAgainstTheFdsnSchemaWithOrWithoutASite) {
  TDataOutputSettings s;
  s.Location = "00";
  s.Channels = {"HNE", "HN2", "HNZ"};
  s.Azimuths[1] = 135.5;
  s.StartDate = "2024-03-01";
  for (bool site : {false, true}) {
    s.SiteSet = site;
    s.Latitude = 35.4;
    s.Longitude = 133.3;
    s.Elevation = 12.5;
    const std::string file = Path(site ? "site.xml" : "nosite.xml");
    ASSERT_TRUE(WriteStationXml(file, s, "roof <A&B>\t\x01", 1710028740));
    const std::string command = "xmllint --noout --schema " TEVRA_TEST_DATA
                                "/stationxml/fdsn-station-1.2.xsd '" +
                                file + "' 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << file;
  }
  std::string text, reference;
  ASSERT_TRUE(ReadWholeFile(Path("site.xml"), text));
  ASSERT_TRUE(ReadWholeFile(TEVRA_TEST_DATA "/stationxml/XX.TEVRA.xml", reference));
  EXPECT_EQ(text, reference);
  ASSERT_TRUE(ReadWholeFile(Path("nosite.xml"), text));
  EXPECT_NE(text.find("<Latitude>0.000000</Latitude>"), std::string::npos);
  // Without a start date the metadata starts on the day it is made.
  s.StartDate.clear();
  EXPECT_NE(
      StationXmlText(s, "", 1710028740).find("<Network code=\"XX\" startDate=\"2024-03-09T00:00:00Z\">"),
      std::string::npos);
  EXPECT_FALSE(WriteStationXml(Path("missing/folder/x.xml"), s, "", 0));
}

TEST_F(StationXmlTest, AzimuthsComeFromTheSettingElseFromTheChannelCode) {
  struct TRow {
    std::array<std::string, 3> channels;
    std::optional<double> x, y;          // settings
    std::optional<double> wantX, wantY;  // written
  };
  const TRow rows[] = {
      {{"HN1", "HN2", "HNZ"}, {}, {}, {}, {}},          // only the installer knows
      {{"HNE", "HNN", "HNZ"}, {}, {}, 90.0, 0.0},       // by the code's letter
      {{"HNN", "HNE", "HNZ"}, {}, {}, 0.0, 90.0},       // by the code's letter
      {{"HNE", "HN2", "HNZ"}, 80.0, 45.5, 80.0, 45.5},  // the setting wins
      {{"HNZ", "HN1", "HNZ"}, {}, 0.0, {}, 0.0},
  };
  for (const TRow& r : rows) {
    TDataOutputSettings s;
    s.Channels = r.channels;
    s.Azimuths = {r.x, r.y};
    EXPECT_EQ(ChannelAzimuth(s, 0), r.wantX) << r.channels[0];
    EXPECT_EQ(ChannelAzimuth(s, 1), r.wantY) << r.channels[1];
    EXPECT_EQ(ChannelAzimuth(s, 2), 0.0);  // vertical
  }
}

TEST_F(StationXmlTest, TheStartDateIsTheSettingElseTheArchivesOldestDayElseToday) {
  const auto day = [&](const std::string& path, std::size_t bytes) {
    std::filesystem::create_directories(std::filesystem::path(Path(path)).parent_path());
    ASSERT_TRUE(WriteFileAtomically(Path(path), std::string(bytes, 'x')));
  };
  day("sds/2024/XX/TEVRA/HNZ.D/XX.TEVRA..HNZ.D.2024.005", 512);
  day("sds/2023/XX/TEVRA/HN1.D/XX.TEVRA..HN1.D.2023.360", 1024);
  day("sds/2023/XX/TEVRA/HN2.D/XX.TEVRA..HN2.D.2023.300", 0);    // nothing recorded
  day("sds/2023/XX/TEVRA/HN2.D/XX.TEVRA..HN2.D.2024.100", 512);  // not of its year's folder
  day("sds/2022/XX/OTHER/HNZ.D/XX.OTHER..HNZ.D.2022.001", 512);  // another station
  day("sds/2021/XX/TEVRA/HNZ.D/XX.TEVRA..HNZ.D.2021.001.bak", 512);
  day("sds/2020/XX/TEVRA/HNZ.D/YY.TEVRA..HNZ.D.2020.001", 512);
  TDataOutputSettings s;
  s.ArchiveFolder = Path("sds");
  EXPECT_EQ(StartDateFor(s, 1710028740), "2023-12-26");
  s.StartDate = "2020-02-29";
  EXPECT_EQ(StartDateFor(s, 1710028740), "2020-02-29");
  s.StartDate.clear();
  s.ArchiveFolder = Path("empty");
  EXPECT_EQ(StartDateFor(s, 1710028740), "2024-03-09");
  s.ArchiveFolder.clear();
  EXPECT_EQ(StartDateFor(s, 1710028740), "2024-03-09");
}

}  // namespace
}  // namespace tevra
