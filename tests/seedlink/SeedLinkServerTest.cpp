// The SeedLink server through its sockets, with records packed by libmseed and a client of our own
// on plain sockets. Servers listen on 127.0.0.1 with ports the system picks.
#include "seedlink/SeedLinkServer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "seedlink/MiniSeedHeader.h"
#include "support/SeedLinkTestTools.h"

namespace tevra::test {
namespace {

constexpr std::int64_t Start = 1'780'000'000;  // 2026-05-28 UTC

void PublishAll(TSeedLinkServer& server, const std::vector<TRecord>& records) {
  for (const TRecord& r : records) ASSERT_TRUE(server.Publish(r.data()));
}

// Multi-station handshake. For DATA without a sequence, the INFO ID after END returns once the server
// has started the transfer, so records published afterwards are the client's.
void Subscribe(TSeedLinkTestClient& client, const std::string& data) {
  ASSERT_TRUE(client.Connected());
  ASSERT_EQ(client.Command("STATION TEVRA XX"), "OK");
  ASSERT_EQ(client.Command("SELECT HN?"), "OK");
  ASSERT_EQ(client.Command(data), "OK");
  client.Send("END\r\n");
  if (data == "DATA") {
    ASSERT_NE(client.Info("ID"), "");
  }
}

// Uni-station FETCH: the records' channels, in order.
std::vector<std::string> Fetch(int port, const std::string& fetch,
                               const std::vector<std::string>& selectors = {},
                               std::vector<std::string>* answers = nullptr) {
  TSeedLinkTestClient client(port);
  for (const std::string& s : selectors) {
    const std::string answer = client.Command("SELECT " + s);
    if (answers) answers->push_back(answer);
  }
  client.Send(fetch + "\r\n");
  std::vector<std::string> channels;
  for (TSeedLinkTestClient::TPacket p = client.Packet(); p.Header != "END"; p = client.Packet()) {
    if (p.Header.size() != 8 || p.Header.compare(0, 2, "SL") != 0) return {"bad packet " + p.Header};
    channels.push_back(ChannelOf(p.Record));
  }
  return channels;
}

std::vector<std::string> Fetch(int port, unsigned first) {
  char fetch[16];
  std::snprintf(fetch, sizeof fetch, "FETCH %06X", first);
  return Fetch(port, fetch);
}

TEST(SeedLinkTime, CommandTimesAreCheckedAgainstTheCalendarAndReadBack) {
  const struct {
    const char* command;
    const char* text;  // "" = refused
  } rows[] = {
      {"2024,02,29,12,00,00", "2024/02/29 12:00:00.0000"},
      {"2023,2,29", ""},
      {"2024,4,31", ""},
      {"2261,12,31,23,59,59.25", "2261/12/31 23:59:59.2500"},
      {"2262,1,1", ""},  // past what 64-bit nanoseconds hold
      {"1899,12,31", ""},
      {"2026,13,1", ""},
      {"2026,1,1,24", ""},
      {"2026,1", ""},
      {"1900,1,1", "1900/01/01 00:00:00.0000"},
  };
  for (const auto& r : rows) {
    std::int64_t ns = 0;
    const bool ok = ParseSeedLinkCommandTime(r.command, ns);
    EXPECT_EQ(ok, *r.text != '\0') << r.command;
    if (ok) {
      EXPECT_EQ(SeedLinkTimeText(ns), r.text) << r.command;
    }
  }
  // A log record stamped at the last 0.1 ms of a leap year reads back to the same time.
  std::int64_t ns = 0;
  ASSERT_TRUE(ParseSeedLinkCommandTime("2024,12,31,23,59,59.9999", ns));
  std::uint8_t record[MiniSeedRecordBytes];
  MakeMiniSeedLogRecord("text", ns, 1, record);
  TMiniSeedHeader header;
  ASSERT_TRUE(ParseMiniSeedHeader(record, header));
  EXPECT_EQ(header.StartNs, ns);
}

TEST(SeedLinkServer, HandshakeStreamsAllChannelsAcrossTheWrapAndResumesAfterRestartWithoutGapOrDuplicate) {
  TSeedLinkServerOptions options;
  options.FirstSequence = 0xFFFFF0;  // the wire numbers wrap after FFFFFF during the test
  TSeedLinkServer server(options);
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  const std::vector<TRecord> records = ThreeChannelRecords(Start, 3000);
  ASSERT_GE(records.size(), 30u);  // past the wrap in every part
  const std::size_t part = records.size() / 3;

  std::vector<TSeedLinkTestClient::TPacket> received;
  {
    TSeedLinkTestClient client(server.Port());
    client.Send("HELLO\r\n");
    EXPECT_EQ(client.Line().rfind("SeedLink v3.1 (tevra_panel ", 0), 0u);
    EXPECT_EQ(client.Line(), "tevra_panel seismic station");
    Subscribe(client, "DATA");
    PublishAll(server, {records.begin(), records.begin() + part});
    for (std::size_t i = 0; i < part; ++i) received.push_back(client.Packet());
  }
  // Away while the settings change: the server restarts on another port, records keep coming.
  server.Stop();
  PublishAll(server, {records.begin() + part, records.begin() + 2 * part});
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  // Back with its last sequence plus one: first with records that came while it was away, then once
  // more having missed nothing.
  for (const std::size_t until : {records.size() - 1, records.size()}) {
    TSeedLinkTestClient client(server.Port());
    char data[16];
    std::snprintf(data, sizeof data, "DATA %06X", (received.back().Sequence() + 1) & 0xFFFFFF);
    Subscribe(client, data);
    PublishAll(server, {records.begin() + static_cast<std::ptrdiff_t>(std::max(received.size(), 2 * part)),
                        records.begin() + static_cast<std::ptrdiff_t>(until)});
    while (received.size() < until) received.push_back(client.Packet());
  }

  std::set<std::string> channels;
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_EQ(received[i].Header.size(), 8u) << i;
    EXPECT_EQ(received[i].Sequence(), (0xFFFFF0 + i) & 0xFFFFFF) << i;
    EXPECT_EQ(received[i].Record, records[i]) << i;
    channels.insert(ChannelOf(received[i].Record));
  }
  EXPECT_EQ(channels, (std::set<std::string>{"HN1", "HN2", "HNZ"}));

  // Bytes without a miniSEED header, and records of another length, are not served.
  const TRecord zeros{};
  EXPECT_FALSE(server.Publish(zeros.data()));
  EXPECT_FALSE(server.Publish(SteimRecords("HNZ", Start, 3000, "TEVRA", "", 4096).at(0).data()));
}

TEST(SeedLinkServer, StartReportsBadAddressesAndPortsInUse) {
  TSeedLinkServer first;
  ASSERT_TRUE(first.Start("127.0.0.1", 0).Ok());
  for (const auto& [address, port] : std::vector<std::pair<std::string, int>>{{"127.0.0.999", 0},
                                                                              {"localhost", 0},
                                                                              {"", 0},
                                                                              {"127.0.0.1", 70000},
                                                                              {"127.0.0.1", first.Port()}}) {
    TSeedLinkServer server;
    const TStatus started = server.Start(address, port);
    EXPECT_FALSE(started) << address << ":" << port;
    EXPECT_FALSE(started.Error().Message.empty());
    EXPECT_FALSE(server.Running());
  }
  // A port in use names the call that failed, with its errno.
  TSeedLinkServer taken;
  const TStatus started = taken.Start("127.0.0.1", first.Port());
  EXPECT_EQ(started.Error().Errno, EADDRINUSE);
  EXPECT_NE(started.Error().Message.find("bind: Address already in use"), std::string::npos);
}

TEST(SeedLinkServer, UniStationFetchAndSelectors) {
  TSeedLinkServerOptions options;
  options.FirstSequence = 0x100;
  TSeedLinkServer server(options);
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  std::vector<TRecord> records = ThreeChannelRecords(Start, 1200);
  records.push_back(LogRecord(Start, "clock locked"));
  const std::vector<TRecord> other = SteimRecords("HNZ", Start, 600, "OTHER", "10");
  records.insert(records.end(), other.begin(), other.end());
  PublishAll(server, records);
  const auto count = [&](const std::string& channel) {
    return static_cast<std::size_t>(std::count_if(records.begin(), records.end(), [&](const TRecord& r) {
      return ChannelOf(r) == channel && r[8] == 'T';
    }));
  };
  const std::size_t z = count("HNZ"), one = count("HN1"), two = count("HN2");

  struct TRow {
    std::vector<std::string> selectors;
    std::vector<std::string> answers;
    std::size_t packets;
  };
  const std::size_t otherZ = other.size();
  for (const TRow& row : std::vector<TRow>{
           {{}, {}, records.size()},
           {{"HNZ"}, {"OK"}, z + otherZ},
           {{"HN?"}, {"OK"}, one + two + z + otherZ},
           {{"??Z.D"}, {"OK"}, z + otherZ},
           {{"--HNZ"}, {"OK"}, z},  // blank location only
           {{"10HN?"}, {"OK"}, otherZ},
           {{"HN1", "HN2"}, {"OK", "OK"}, one + two},
           {{"!HNZ"}, {"OK"}, records.size() - z - otherZ},
           {{"HN?", "!HN1"}, {"OK", "OK"}, two + z + otherZ},
           {{"HN?.L"}, {"OK"}, 0},
           {{"00LOG"}, {"OK"}, 1},
           {{".L"}, {"OK"}, 1},
           {{"HN"}, {"ERROR"}, records.size()},
           {{"HNZ.DX"}, {"ERROR"}, records.size()},
           {{"H#Z"}, {"ERROR"}, records.size()},
       }) {
    std::vector<std::string> answers;
    const std::vector<std::string> channels = Fetch(server.Port(), "FETCH 000100", row.selectors, &answers);
    EXPECT_EQ(answers, row.answers) << ::testing::PrintToString(row.selectors);
    EXPECT_EQ(channels.size(), row.packets) << ::testing::PrintToString(row.selectors);
  }

  // Where FETCH starts: at the sequence asked for; when that one is not kept, at everything kept, or at
  // what followed the time the client gives as its last record's.
  const auto after = [&](std::int64_t seconds) {
    return static_cast<std::size_t>(std::count_if(records.begin(), records.end(), [&](const TRecord& r) {
      MSRecord* msr = nullptr;
      msr_unpack(reinterpret_cast<char*>(const_cast<std::uint8_t*>(r.data())), 512, &msr, 0, 0);
      const bool later = msr_starttime(msr) > seconds * HPTMODULUS;
      msr_free(&msr);
      return later;
    }));
  };
  for (const auto& [fetch, packets] : std::vector<std::pair<std::string, std::size_t>>{
           {"FETCH 000105", records.size() - 5},
           {"FETCH 1000105", records.size() - 5},  // not wrapped by the client
           {"FETCH 000050", records.size()},
           {"FETCH 50 2026,05,28,20,26,45", after(Start + 5)},
           {"FETCH", 0},
       }) {
    EXPECT_EQ(Fetch(server.Port(), fetch).size(), packets) << fetch;
  }

  // Multi-station mode: stations by pattern; an unknown one is refused.
  TSeedLinkTestClient client(server.Port());
  EXPECT_EQ(client.Command("STATION NONE XX"), "ERROR");
  EXPECT_EQ(client.Command("SELECT HNZ"), "ERROR");  // no station to apply it to
  EXPECT_EQ(client.Command("STATION T?VRA *"), "OK");
  EXPECT_EQ(client.Command("SELECT HNZ"), "OK");
  EXPECT_EQ(client.Command("FETCH 000100"), "OK");
  EXPECT_EQ(client.Command("BOGUS"), "ERROR");
  client.Send("END\r\n");
  std::size_t packets = 0;
  for (auto p = client.Packet(); p.Header != "END"; p = client.Packet()) {
    ASSERT_EQ(p.Header.size(), 8u);
    ++packets;
  }
  EXPECT_EQ(packets, z);

  // A time window (uni-station TIME starts at once) ends with END once every stream has passed it.
  TSeedLinkTestClient window(server.Port());
  EXPECT_EQ(window.Command("SELECT HN?"), "OK");
  window.Send("TIME 2026,05,28,20,26,41 2026,05,28,20,26,41.5\r\n");  // Start + 1 s to Start + 1.5 s
  std::size_t inWindow = 0;
  for (auto p = window.Packet(); p.Header != "END"; p = window.Packet()) {
    ASSERT_EQ(p.Header.size(), 8u);
    MSRecord* msr = nullptr;
    ASSERT_EQ(msr_unpack(reinterpret_cast<char*>(p.Record.data()), 512, &msr, 0, 0), MS_NOERROR);
    EXPECT_LT(msr_starttime(msr), (Start + 1) * HPTMODULUS + HPTMODULUS / 2);
    EXPECT_GE(msr_endtime(msr), (Start + 1) * HPTMODULUS);
    msr_free(&msr);
    ++inWindow;
  }
  EXPECT_GE(inWindow, 4u);  // both stations, every channel
  EXPECT_LT(inWindow, one + two + z + otherZ);
}

TEST(SeedLinkServer, InfoAnswersAreWellFormedXmlInLogRecords) {
  TSeedLinkServerOptions options;
  options.Organization = "Tevra & <Co>";
  TSeedLinkServer server(options);
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  PublishAll(server, ThreeChannelRecords(Start, 500));
  TSeedLinkTestClient client(server.Port());
  TSeedLinkTestClient other(server.Port());
  other.Command("SELECT HNZ");

  struct TRow {
    const char* level;
    const char* expected;
  };
  for (const TRow& row :
       {TRow{"ID", "organization=\"Tevra &amp; &lt;Co&gt;\""},
        TRow{"CAPABILITIES", "<capability name=\"multistation\"/>"},
        TRow{"STATIONS", "<station name=\"TEVRA\" network=\"XX\""},
        TRow{"STREAMS", "<stream location=\"\" seedname=\"HNZ\" type=\"D\" begin_time=\"2026/05/28"},
        TRow{"CONNECTIONS", "<connection host=\"127.0.0.1\""}}) {
    int records = 0;
    const std::string xml = client.Info(row.level, &records);
    EXPECT_NE(xml.find(row.expected), std::string::npos) << row.level << "\n" << xml;
    EXPECT_EQ(records, static_cast<int>((xml.size() + 455) / 456)) << row.level;
    FILE* lint = ::popen("xmllint --noout - 2>/dev/null", "w");
    ASSERT_NE(lint, nullptr);
    std::fwrite(xml.data(), 1, xml.size(), lint);
    EXPECT_EQ(::pclose(lint), 0) << row.level << " is not well-formed:\n" << xml;
  }
  // Levels the server does not know are refused before the transfer.
  EXPECT_EQ(client.Command("INFO NOTHING"), "ERROR");
}

// The server's log lines, as its thread writes them.
class TLogLines {
 public:
  TSeedLinkLog Sink() {
    return [this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    };
  }
  std::vector<std::string> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(lines_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

// The tick publishes while a client sends station patterns that take long to match: each Publish
// returns at once (patterns longer than a code are refused; matching never runs under the ring's lock).
TEST(SeedLinkServer, PublishReturnsAtOnceWhileAClientSendsCostlyPatterns) {
  TSeedLinkServerOptions options;
  options.FirstSequence = 0;
  TSeedLinkServer server(options);
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  const std::vector<TRecord> records = ThreeChannelRecords(Start, 3000);
  std::atomic<bool> stop{false};
  std::atomic<int> published{0};
  std::chrono::steady_clock::duration slowest{};
  std::thread tick([&] {
    for (; !stop; ++published) {
      const auto begin = std::chrono::steady_clock::now();
      server.Publish(records[static_cast<std::size_t>(published) % records.size()].data());
      slowest = std::max(slowest, std::chrono::steady_clock::now() - begin);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  ASSERT_TRUE(WaitFor([&] { return published > 0; }));

  // A client streaming by patterns, so the server matches every record too.
  TSeedLinkTestClient streaming(server.Port());
  EXPECT_EQ(streaming.Command("STATION *E*A* **"), "OK");
  EXPECT_EQ(streaming.Command("STATION T?V*"), "OK");
  streaming.Send("END\r\n");

  const std::string stars(120, '*');
  const std::pair<std::string, std::string> rows[] = {
      {"STATION " + stars + "Q XX", "ERROR"},
      {"STATION TEVRA " + stars + "Q", "ERROR"},
      {"STATION TEVRA* XX", "ERROR"},  // longer than a station code
      {"STATION TEVRA XX*", "ERROR"},  // longer than a network code
  };
  TSeedLinkTestClient client(server.Port());
  bool answered = true;
  for (int round = 0; answered && (round < 20 || published < 1000); ++round)
    for (const auto& [command, answer] : rows) answered = answered && client.Command(command) == answer;
  EXPECT_GT(streaming.Packet().Header.size(), 0u);
  stop = true;
  tick.join();
  EXPECT_TRUE(answered);
  const auto slowestMs = std::chrono::duration_cast<std::chrono::microseconds>(slowest).count() / 1000.0;
  RecordProperty("SlowestPublishMs", std::to_string(slowestMs));
  EXPECT_LT(slowestMs, 1000.0) << "over " << published << " calls";
}

// Each bad client runs while the test thread keeps publishing (a Publish that blocked would hang the
// test); afterwards a good client still gets every new record.
TEST(SeedLinkServer, BadClientsAreDroppedAndGoodClientsStillServed) {
  TSeedLinkServerOptions options;
  options.FirstSequence = 0;
  options.RingRecords = 256;
  options.SendBufferBytes = 4096;
  // Long enough that a busy machine still overwrites the ring before a stuck output times out.
  options.TimeoutSeconds = 3;
  options.HandshakeIdleSeconds = 1;
  TLogLines lines;
  TSeedLinkServer server(options, lines.Sink());
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  const std::vector<TRecord> records = ThreeChannelRecords(Start, 20000);
  ASSERT_GT(records.size(), 150u);
  unsigned published = 0;
  const auto publish = [&](std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, ++published)
      ASSERT_TRUE(server.Publish(records[published % records.size()].data()));
  };
  const int port = server.Port();

  struct TRow {
    const char* name;
    std::function<std::string()> act;  // the line it is logged with, "" when none
  };
  const auto sending = [](const TSeedLinkTestClient& client) {
    char byte;
    return ::recv(client.Fd(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 1;
  };
  const auto dropped = [](const TSeedLinkTestClient& client, const std::string& reason) {
    return "SeedLink: " + client.Peer() + " 切断: " + reason;
  };
  const std::vector<TRow> rows = {
      {"a command line longer than 256 bytes",
       [&] {
         TSeedLinkTestClient client(port);
         client.Send(std::string(300, 'A'));
         EXPECT_TRUE(client.ClosedByServer());
         return dropped(client, "コマンド行が 256 バイトを超えた");
       }},
      {"garbage",
       [&] {
         TSeedLinkTestClient client(port);
         static constexpr char garbage[] = "\x01\xff\x00zz\r\n\x80\x81 \t?\n";
         client.Send(std::string(garbage, sizeof garbage - 1));
         EXPECT_EQ(client.Line(), "ERROR");
         EXPECT_EQ(client.Line(), "ERROR");
         EXPECT_EQ(client.Command("HELLO").rfind("SeedLink", 0), 0u);
         return "";
       }},
      {"silent after connecting",
       [&] {
         TSeedLinkTestClient client(port);
         EXPECT_TRUE(client.ClosedByServer());
         return dropped(client, "転送開始前に1秒コマンドがない");
       }},
      {"never reads while the ring moves on",
       [&] {
         TSeedLinkTestClient client(port, 2048);
         client.Send("FETCH 000000\r\n");
         EXPECT_TRUE(WaitFor([&] { return sending(client); }));
         publish(300);  // more than the ring holds: the record it needs is overwritten
         EXPECT_TRUE(WaitFor([&] { return server.ClientCount() == 0; }));
         return dropped(client, "次のレコードが上書きされた（欠落なしに続けられない）");
       }},
      {"never reads, its output stuck",
       [&] {
         TSeedLinkTestClient client(port, 2048);
         client.Send("FETCH 000000\r\n");  // the whole ring, far more than the socket buffers
         EXPECT_TRUE(WaitFor([&] { return sending(client); }));
         EXPECT_TRUE(WaitFor([&] { return server.ClientCount() == 0; }));
         return dropped(client, "出力が3秒進まない");
       }},
      {"talks, then falls silent before its transfer",
       [&] {
         TSeedLinkTestClient client(port);
         EXPECT_EQ(client.Command("STATION TEVRA XX"), "OK");
         EXPECT_TRUE(client.ClosedByServer());
         return dropped(client, "転送開始前に1秒コマンドがない");
       }},
      {"closes after choosing a stream that never comes",
       [&] {
         TSeedLinkTestClient client(port);
         EXPECT_EQ(client.Command("STATION TEVRA XX"), "OK");
         EXPECT_EQ(client.Command("SELECT ZZZ"), "OK");
         client.Send("END\r\n");
         EXPECT_NE(client.Info("ID"), "");  // answered once the transfer has begun
         return "";
       }},
      {"closes its sending side after its request",
       [&] {
         TSeedLinkTestClient client(port);
         client.Send("FETCH 000000\r\n");
         ::shutdown(client.Fd(), SHUT_WR);
         EXPECT_TRUE(client.ClosedByServer());
         return "";
       }},
      {"vanishes in the middle of a transfer",
       [&] {
         TSeedLinkTestClient client(port);
         client.Send("FETCH 000000\r\n");
         client.Packet();
         const linger reset{1, 0};  // close with a reset while the server is still sending
         ::setsockopt(client.Fd(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
         client.Close();
         publish(10);
         return "";
       }},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.name);
    publish(10);
    const std::string line = row.act();
    ASSERT_TRUE(WaitFor([&] { return server.ClientCount() == 0; }));
    // Only the server's drops are logged: a client that ends its connection itself is not.
    EXPECT_EQ(lines.Take(), line.empty() ? std::vector<std::string>{} : std::vector<std::string>{line});
    const unsigned first = published;
    publish(30);
    EXPECT_EQ(Fetch(port, first).size(), 30u);
  }
}

// Connections beyond the limit take the slot of the client idle the longest that has not started its
// transfer; streaming clients keep theirs.
TEST(SeedLinkServer, ANewcomerTakesTheSlotOfTheLongestIdleClientNotStreaming) {
  TSeedLinkServerOptions options;
  options.FirstSequence = 0;
  std::atomic<int> minutesLater{0};
  options.LogClock = [&] { return TLogLimiter::TClock::now() + std::chrono::minutes(minutesLater.load()); };
  TLogLines lines;
  TSeedLinkServer server(options, lines.Sink());
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  std::vector<std::unique_ptr<TSeedLinkTestClient>> clients;
  for (int i = 0; i < 200; ++i) clients.push_back(std::make_unique<TSeedLinkTestClient>(server.Port()));
  const auto closed = [&] {
    return std::count_if(clients.begin(), clients.end(), [](const auto& c) {
      char byte;
      return ::recv(c->Fd(), &byte, 1, MSG_DONTWAIT | MSG_PEEK) == 0;
    });
  };
  EXPECT_TRUE(WaitFor([&] { return closed() == 200 - 32; }));
  EXPECT_EQ(server.ClientCount(), 32);
  // The oldest make room, each with a line, ten a minute; the others are counted once it is over.
  const auto tookSlot = [](const TSeedLinkTestClient& client) {
    return "SeedLink: " + client.Peer() + " 切断: 新しい接続に枠を譲った（最大 32）";
  };
  std::vector<std::string> expected;
  for (int i = 0; i < 10; ++i) expected.push_back(tookSlot(*clients[i]));
  EXPECT_EQ(lines.Take(), expected);
  clients.clear();
  ASSERT_TRUE(WaitFor([&] { return server.ClientCount() == 0; }));
  minutesLater = 1;
  ASSERT_TRUE(WaitFor([&] {
    return lines.Take() == std::vector<std::string>{"SeedLink: ほかに 158 件の接続を拒否または切断しました"};
  }));

  const auto open = [](TSeedLinkTestClient& c) {
    char byte;
    return ::recv(c.Fd(), &byte, 1, MSG_DONTWAIT | MSG_PEEK) < 0 && errno == EAGAIN;
  };
  for (int i = 0; i < 32; ++i) clients.push_back(std::make_unique<TSeedLinkTestClient>(server.Port()));
  ASSERT_TRUE(WaitFor([&] { return server.ClientCount() == 32; }));
  Subscribe(*clients[0], "DATA");
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(clients[1]->Command("CAPABILITIES"), "OK");
  TSeedLinkTestClient newcomer(server.Port());
  EXPECT_EQ(newcomer.Command("CAPABILITIES"), "OK");
  EXPECT_TRUE(clients[2]->ClosedByServer());
  EXPECT_EQ(lines.Take(), std::vector<std::string>{tookSlot(*clients[2])});
  EXPECT_TRUE(open(*clients[0]));
  EXPECT_TRUE(open(*clients[1]));
  EXPECT_TRUE(open(*clients[3]));

  PublishAll(server, ThreeChannelRecords(Start, 300));
  EXPECT_EQ(Fetch(server.Port(), 0).size(), 3u);

  // With every slot streaming, a newcomer is closed at once.
  options.MaxClients = 1;
  TSeedLinkServer single(options, lines.Sink());
  ASSERT_TRUE(single.Start("127.0.0.1", 0).Ok());
  TSeedLinkTestClient streaming(single.Port());
  Subscribe(streaming, "DATA");
  lines.Take();
  TSeedLinkTestClient refused(single.Port());
  EXPECT_TRUE(refused.ClosedByServer());
  EXPECT_EQ(lines.Take(),
            std::vector<std::string>{"SeedLink: " + refused.Peer() + " 拒否: 1 の枠がすべて転送中"});
  EXPECT_TRUE(open(streaming));
}

// Out of descriptors the server stops accepting for a moment, says so once, and accepts again after.
TEST(SeedLinkServer, RunningOutOfDescriptorsPausesAcceptingWithOneLine) {
  TLogLines lines;
  TSeedLinkServer server({}, lines.Sink());
  ASSERT_TRUE(server.Start("127.0.0.1", 0).Ok());
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  const int lowestFree = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(lowestFree, 0);
  ::close(lowestFree);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowestFree) + 1;  // room for the client's socket, none for the server
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  TSeedLinkTestClient client(server.Port());
  std::vector<std::string> logged;
  WaitFor([&] { return !(logged = lines.Take()).empty(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // it looks again every 100 ms
  ::setrlimit(RLIMIT_NOFILE, &saved);
  EXPECT_EQ(logged,
            std::vector<std::string>{"SeedLink: 接続の受け付けを一時停止: accept4: Too many open files"});
  EXPECT_EQ(lines.Take(), std::vector<std::string>{});
  EXPECT_EQ(client.Command("HELLO").rfind("SeedLink", 0), 0u);
}

}  // namespace
}  // namespace tevra::test
