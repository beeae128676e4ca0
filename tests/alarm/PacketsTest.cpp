#include "alarm/PanelPackets.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

#include "base/Cp932.h"
#include "support/RecordingPlatform.h"
#include "gtest/gtest.h"
#include "alarm/HostAddress.h"
#include "alarm/UDP.h"

namespace tevra {
namespace {

constexpr TLocalDateTime kNow{2007, 10, 30, 12, 34, 56};

TEST(Packets, TextsAreByteExactInCp932) {
  EXPECT_EQ(Utf8ToCp932(HeartbeatPacket("ABC", kNow)), "000,ABC,2007/10/30,12:34:56,0, , , ,");
  EXPECT_EQ(EarthquakePacket("ABC", kNow, 4.46, 123.45),
            "100,ABC,2007/10/30,12:34:56,1,検出震度 4.5,検出加速度 123.5(gal),地震発生,");
  EXPECT_EQ(Utf8ToCp932(EarthquakePacket("ID", {2024, 1, 5, 0, 0, 0}, 0.0, 0.0)),
            Utf8ToCp932("100,ID,2024/01/05,00:00:00,1,検出震度 0.0,検出加速度 0.0(gal),地震発生,"));
  EXPECT_EQ(TestPacket("地震センサ１", kNow),
            "100,地震センサ１,2007/10/30,12:34:56,1, ,試験UDPパケットを受信しました。,動作試験,");
}

TEST(HostAddress, BroadcastIsTheFirstThreePartsAndMalformedAddressesGiveNone) {
  EXPECT_EQ(MakeBroadcastAddress("192.168.1.23"), "192.168.1.255");
  EXPECT_EQ(MakeBroadcastAddress("10.0.0.5"), "10.0.0.255");
  EXPECT_EQ(MakeBroadcastAddress("127.0.0.1"), "127.0.0.255");
  EXPECT_EQ(MakeBroadcastAddress("..10...0.0.5"), "10.0.0.255");  // runs of dots split once
  for (const std::string& bad :
       std::vector<std::string>{"", "localhost", "1.2", "1..2", "...", std::string(255, '1') + ".2.3.4"}) {
    EXPECT_EQ(MakeBroadcastAddress(bad), "") << bad;
  }
}

TEST(HostAddress, UsableInterfacesOverrideAndDiagnosticLines) {
  const unsigned up = IFF_UP | IFF_RUNNING | IFF_BROADCAST;
  EXPECT_EQ(UsableHostAddresses({{up | IFF_LOOPBACK, true, "127.0.0.1"},
                                 {up, true, "192.168.1.23"},
                                 {up, false, ""},
                                 {IFF_UP | IFF_BROADCAST, true, "10.0.0.9"},  // not running
                                 {IFF_UP | IFF_RUNNING, true, "10.0.0.8"},    // no broadcast
                                 {up, true, "172.16.5.200"}}),
            (std::vector<std::string>{"192.168.1.23", "172.16.5.200"}));
  EXPECT_EQ(UsableHostAddresses({}), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(HostAddressesFromOverride(" 10.1.2.3 , bogus,,127.0.0.2"),
            (std::vector<std::string>{"10.1.2.3", "127.0.0.2"}));
  EXPECT_EQ(HostAddressesFromOverride(""), std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(HostAddressesFromOverride("999.1.1.1"), std::vector<std::string>{"127.0.0.1"});

  // Two addresses: both are listed, the second is kept.
  ASSERT_EQ(setenv(kHostAddressesVariable, "127.0.0.3,127.0.0.1", 1), 0);
  char* text = nullptr;
  std::size_t size = 0;
  std::FILE* out = open_memstream(&text, &size);
  std::string local = "unchanged";
  EXPECT_TRUE(FindLocalAddress(local, out));
  std::fclose(out);
  EXPECT_STREQ(text, "Address 0: 127.0.0.3\nAddress 1: 127.0.0.1\n");
  std::free(text);
  EXPECT_EQ(local, "127.0.0.1");
  setenv(kHostAddressesVariable, "127.0.0.1", 1);
}

// A receiver on the loopback interface.
class Receiver {
 public:
  explicit Receiver(std::uint16_t port = 0, const char* address = "0.0.0.0") {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    inet_pton(AF_INET, address, &a.sin_addr);
    bound_ = bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~Receiver() { close(fd_); }
  bool Bound() const { return bound_; }
  int Port() const { return port_; }
  // One datagram within `ms`, with its sender's port; false when none came.
  bool Receive(std::string& bytes, int& senderPort, int ms = 2000) {
    pollfd p{fd_, POLLIN, 0};
    if (poll(&p, 1, ms) != 1) return false;
    char buf[2048];
    sockaddr_in from{};
    socklen_t len = sizeof from;
    const ssize_t n = recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0) return false;
    bytes.assign(buf, std::size_t(n));
    senderPort = ntohs(from.sin_port);
    return true;
  }

 private:
  int fd_ = -1;
  bool bound_ = false;
  int port_ = 0;
};

class UdpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Everything these tests send stays on this machine.
    ASSERT_EQ(setenv(kHostAddressesVariable, "127.0.0.1", 1), 0);
    ASSERT_TRUE(network_.FindLocalAddress(nullptr));
    network_.MakeBroadcastAddress();
    ASSERT_EQ(network_.BroadcastAddress, "127.0.0.255");
    settings_.UseUdp = true;
    settings_.SensorId = "ABC";
  }
  TPanelNetwork network_;
  TPanelSettings settings_;
  TRecordingPlatform platform_;
};

TEST_F(UdpTest, HeartbeatArrivesOnTheLoopbackBroadcastFromTheDynamicRange) {
  Receiver receiver;
  ASSERT_TRUE(receiver.Bound());
  settings_.UdpPort = receiver.Port();
  EXPECT_EQ(network_.SendHeartbeat(settings_, platform_.LocalNow(), platform_), TSendResult::Sent);
  std::string bytes;
  int from = 0;
  ASSERT_TRUE(receiver.Receive(bytes, from));
  EXPECT_EQ(bytes, "000,ABC,2007/10/30,12:34:56,0, , , ,");
  EXPECT_GE(from, UDP::BaseLocalPort);

  EXPECT_EQ(network_.SendEventPacket(settings_, kNow, 4.46, 123.45, platform_), TSendResult::Sent);
  ASSERT_TRUE(receiver.Receive(bytes, from));
  EXPECT_EQ(Cp932ToUtf8(bytes), "100,ABC,2007/10/30,12:34:56,1,検出震度 4.5,検出加速度 123.5(gal),地震発生,");
  EXPECT_TRUE(platform_.Calls.empty());

  // Switched off: no socket, no box, nothing arrives.
  settings_.UseUdp = false;
  EXPECT_EQ(network_.SendTestPacket(settings_, platform_.LocalNow(), platform_), TSendResult::Disabled);
  EXPECT_FALSE(receiver.Receive(bytes, from, 200));
}

TEST_F(UdpTest, OnlyTheLowSixteenBitsOfThePortCount) {
  Receiver receiver(4464);
  if (!receiver.Bound()) GTEST_SKIP() << "port 4464 is in use";
  settings_.UdpPort = 70000;
  EXPECT_EQ(network_.SendTestPacket(settings_, platform_.LocalNow(), platform_), TSendResult::Sent);
  std::string bytes;
  int from = 0;
  ASSERT_TRUE(receiver.Receive(bytes, from));
  EXPECT_EQ(Cp932ToUtf8(bytes), TestPacket("ABC", kNow));
}

TEST_F(UdpTest, BusyPortMovesTheBindToTheNextFreeOne) {
  Receiver blocker(UDP::BaseLocalPort, "127.0.0.1");
  if (!blocker.Bound()) GTEST_SKIP() << "port 49152 is held elsewhere";
  UDP sender;
  ASSERT_TRUE(sender.Open("127.0.0.1", "127.0.0.255", 9));
  EXPECT_GT(sender.LocalPort(), UDP::BaseLocalPort);
  // Every port between was busy.
  for (int p = UDP::BaseLocalPort + 1; p < sender.LocalPort(); ++p) {
    Receiver probe(std::uint16_t(p), "127.0.0.1");
    EXPECT_FALSE(probe.Bound()) << p;
  }
}

TEST_F(UdpTest, UnboundSenderShowsOneBoxAtATimeAndMalformedAddressesFailQuietly) {
  Receiver receiver;
  settings_.UdpPort = receiver.Port();
  network_.LocalAddress = "10.255.255.1";  // not this machine's: the bind fails at once
  // Heartbeats and earthquake packets never wait for a person.
  EXPECT_EQ(network_.SendHeartbeat(settings_, platform_.LocalNow(), platform_), TSendResult::NotBound);
  EXPECT_EQ(network_.SendEventPacket(settings_, kNow, 1, 1, platform_), TSendResult::NotBound);
  EXPECT_EQ(platform_.Calls, (std::vector<std::string>(2, std::string("Notice ") + kPortFailedText + "|**")));
  // The test packet a person asked for waits for OK, one box at a time.
  platform_.Calls.clear();
  int nested = 0;
  platform_.DuringDialog = [&] {
    ++nested;
    EXPECT_EQ(network_.SendTestPacket(settings_, platform_.LocalNow(), platform_), TSendResult::NotBound);
  };
  EXPECT_EQ(network_.SendTestPacket(settings_, platform_.LocalNow(), platform_), TSendResult::NotBound);
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(platform_.Calls,
            (std::vector<std::string>{std::string("MessageBox ") + kPortFailedText + "|**|OK"}));

  network_.LocalAddress = "";
  network_.MakeBroadcastAddress();
  EXPECT_EQ(network_.BroadcastAddress, "");
  platform_.DuringDialog = nullptr;
  EXPECT_EQ(network_.SendTestPacket(settings_, platform_.LocalNow(), platform_), TSendResult::NotBound);
  EXPECT_EQ(platform_.Count("MessageBox"), 2);

  network_.LocalAddress = "127.0.0.1";
  for (const char* bad : {"", "1.2.3", "127.0.0.1.5"}) {
    network_.BroadcastAddress = bad;
    EXPECT_EQ(network_.SendHeartbeat(settings_, platform_.LocalNow(), platform_), TSendResult::SendFailed)
        << bad;
  }
  EXPECT_EQ(platform_.Count("MessageBox"), 2);
}

}  // namespace
}  // namespace tevra
