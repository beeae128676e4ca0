// The client and the station against Debian's mosquitto broker, heard by mosquitto_sub.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include "mqtt/Broker.h"
#include "mqtt/MqttProbe.h"
#include "mqtt/MqttStation.h"

namespace tevra {
namespace {

using test::TBroker;
using test::TSubscriber;
using test::WaitFor;

class TLogLines {
 public:
  TMqttClient::TLog Sink() {
    return [this](const std::string& line) {
      const std::lock_guard<std::mutex> lock(mutex_);
      lines_.push_back(line);
    };
  }
  std::vector<std::string> Lines() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }
  int Count(const std::string& part) const {
    int n = 0;
    for (const std::string& l : Lines()) n += l.find(part) != std::string::npos ? 1 : 0;
    return n;
  }
  std::string All() const {
    std::string out;
    for (const std::string& l : Lines()) out += l + "\n";
    return out;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

TMqttStationConfig Config(int port) {
  TMqttStationConfig c;
  c.Connection.Host = "127.0.0.1";
  c.Connection.Port = port;
  c.Connection.ClientId = "tevra-test-XX.TEVRA";
  c.Prefix = "tevra/XX.TEVRA";
  c.Device = {"XX", "TEVRA", "tevra_panel", "0.1.0", "homeassistant", true};
  return c;
}

std::int64_t NowMicros() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

TAlarmEvent Start() {
  return {true, {NowMicros(), 4.6, 150.0, std::nullopt, std::nullopt}, "intensity", ""};
}

// A station that cannot get in, tried for a second at a fast first rate: the log holds one line,
// with `reason`; returns it.
std::string OneLineAndNoConnection(const TMqttStationConfig& config, const std::string& reason) {
  TLogLines log;
  TMqttLimits limits;
  limits.FirstRetryMs = 50;
  {
    TMqttStation station(config, log.Sink(), limits);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    EXPECT_EQ(station.Counts().Connects, 0);
  }
  EXPECT_EQ(log.Lines().size(), 1u) << log.All();
  EXPECT_NE(log.All().find(reason), std::string::npos) << log.All();
  return log.All();
}

TEST(MqttBroker, StationPublishesItsTopicsAndDiscovery) {
  TBroker broker;
  ASSERT_TRUE(broker.Start());
  TSubscriber sub(broker);
  ASSERT_TRUE(sub.Subscribed);
  TLogLines log;
  TMqttStation station(Config(broker.Port), log.Sink());
  TStationStatus status;
  status.State = TStationState::Measuring;
  status.Version = "0.1.0";
  station.Status(status, 0);
  station.Status(status, 1000);  // no change: not again
  station.Intensity({NowMicros(), 1.25, 3.5, std::nullopt, std::nullopt});
  station.Alarm(Start());
  TAlarmEvent end{false, {NowMicros(), 4.8, 170.0, std::nullopt, std::nullopt}, "", "D1.csv"};
  station.Alarm(end);
  ASSERT_TRUE(sub.WaitCount("tevra/XX.TEVRA/alarm {\"event\":\"end\"", 1));
  ASSERT_TRUE(sub.WaitCount("tevra/XX.TEVRA/alarm/state OFF", 2));  // the connection's, then the end's
  EXPECT_EQ(sub.Count("tevra/XX.TEVRA/availability online"), 1);
  EXPECT_EQ(sub.Count("tevra/XX.TEVRA/state {\"state\":\"measuring\""), 1);
  EXPECT_EQ(sub.Count("tevra/XX.TEVRA/intensity {\"time\":"), 1);
  EXPECT_EQ(sub.Count("tevra/XX.TEVRA/alarm {\"event\":\"start\""), 1);
  EXPECT_EQ(sub.Count("tevra/XX.TEVRA/alarm/state ON"), 1);
  EXPECT_EQ(sub.Count("homeassistant/"), 6);
  EXPECT_EQ(sub.Count("homeassistant/binary_sensor/tevra_XX_TEVRA/alarm/config {"), 1);
  // Home Assistant announcing itself brings the configs again.
  ASSERT_EQ(std::system(("mosquitto_pub -h 127.0.0.1 -p " + std::to_string(broker.Port) +
                         " -t homeassistant/status -m online")
                            .c_str()),
            0);
  EXPECT_TRUE(sub.WaitCount("homeassistant/sensor", 10));
  station.Stop();
  EXPECT_TRUE(sub.WaitCount("tevra/XX.TEVRA/availability offline", 1));
  EXPECT_EQ(log.Count("接続しました"), 1) << log.All();
  EXPECT_EQ(station.Counts().Connects, 1);

  // Turning discovery off: empty retained configs remove the entities.
  auto remover =
      StartRetainedPublisher(Config(broker.Port).Connection, DiscoveryRemovals(Config(broker.Port).Device));
  EXPECT_TRUE(WaitFor([&] { return remover->Counts().Connects == 1; }, 3000));
  remover->Stop();
  EXPECT_TRUE(sub.WaitCount("homeassistant/binary_sensor/tevra_XX_TEVRA/alarm/config", 3));
}

TEST(MqttBroker, OutageReconnectsAndSendsTheAlarmLate) {
  TBroker broker;
  ASSERT_TRUE(broker.Start());
  TLogLines log;
  TMqttLimits limits;
  limits.Queue = 8;
  limits.Alarms = 4;
  limits.FirstRetryMs = 200;
  TMqttStation station(Config(broker.Port), log.Sink(), limits);
  ASSERT_TRUE(WaitFor([&] { return station.Counts().Connected; }, 5000));
  broker.Stop();
  ASSERT_TRUE(WaitFor([&] { return !station.Counts().Connected; }, 5000));
  station.Alarm(Start());
  for (int i = 0; i < 20; ++i) station.Intensity({NowMicros(), 1.0, 1.0, std::nullopt, std::nullopt});
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  ASSERT_TRUE(broker.Start());
  TSubscriber sub(broker);
  ASSERT_TRUE(sub.WaitCount("tevra/XX.TEVRA/alarm {\"event\":\"start\"", 1));
  bool late = false;
  for (const std::string& m : sub.Messages()) {
    if (m.find("/alarm {") != std::string::npos)
      late = m.find("\"late\":true,\"age_s\":") != std::string::npos;
  }
  EXPECT_TRUE(late);
  EXPECT_EQ(log.Count("接続が切れました"), 1) << log.All();
  // 20 intensities and one alarm/state in a queue of 8 with the alarm: 14 intensities went.
  EXPECT_EQ(log.Count("再接続しました"), 1) << log.All();
  EXPECT_EQ(log.Count("送れなかった震度 14 件"), 1) << log.All();
}

TEST(MqttBroker, WrongPasswordIsOneLineAndRetriedSlowly) {
  TBroker broker({"tevra", "right", false});
  ASSERT_TRUE(broker.Start());
  TMqttStationConfig config = Config(broker.Port);
  config.Connection.Username = "tevra";
  config.Connection.Password = "wrong";
  const std::string line = OneLineAndNoConnection(config, "not authorised");
  EXPECT_EQ(line.find("wrong"), std::string::npos);
  EXPECT_EQ(test::CountOf(broker.Log(), "Sending CONNACK"), 1) << broker.Log();  // no retry at the fast rate

  config.Connection.Password = "right";
  TMqttProbe probe(config.Connection);
  EXPECT_TRUE(WaitFor([&] { return probe.Result().Outcome == TMqttProbeOutcome::Connected; }, 5000));
  config.Connection.Password = "wrong";
  TMqttProbe refused(config.Connection);
  ASSERT_TRUE(WaitFor([&] { return refused.Result().Outcome != TMqttProbeOutcome::Pending; }, 5000));
  EXPECT_EQ(MqttProbeText(refused.Result()), "接続を拒否されました: Connection Refused: not authorised.");
}

TEST(MqttBroker, TlsWithTheBrokersCaAndAnUntrustedOneAndAClientCertificate) {
  TBroker broker({"", "", true, true});
  ASSERT_TRUE(broker.Start());
  TSubscriber sub(broker);
  ASSERT_TRUE(sub.Subscribed);
  TMqttStationConfig config = Config(broker.Port);
  config.Connection.Tls = true;
  config.Connection.CaFile = broker.OtherCa();
  OneLineAndNoConnection(config,
                         "TLS: OpenSSL Error[0]: error:0A000086:SSL routines::certificate verify failed");

  config.Connection.CaFile = broker.CaFile;
  OneLineAndNoConnection(config, "TLS");  // without the client certificate the broker requires
  config.Connection.CertFile = broker.File("client.crt");
  config.Connection.KeyFile = broker.File("client.key");
  TLogLines log;
  TMqttStation station(config, log.Sink());
  EXPECT_TRUE(sub.WaitCount("tevra/XX.TEVRA/availability online", 1)) << log.All();
}

// A broker that takes the connection and never confirms a message (or never answers at all).
class TSilentBroker {
 public:
  explicit TSilentBroker(bool connack) : connack_(connack) {
    listener_ = test::ListenOnLoopback(Port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~TSilentBroker() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
  }
  int Port = 0;
  std::atomic<long long> Received{0};

 private:
  void Serve() {
    const int c = ::accept(listener_, nullptr, nullptr);
    if (c < 0) return;
    timeval tv{0, 100000};
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    bool answered = false;
    char buf[4096];
    while (!stop_) {
      const ssize_t n = ::recv(c, buf, sizeof buf, 0);
      if (n == 0) break;
      if (n > 0) Received += n;
      if (n > 0 && connack_ && !answered) {
        const unsigned char connackBytes[] = {0x20, 0x02, 0x00, 0x00};
        answered = ::send(c, connackBytes, sizeof connackBytes, 0) == 4;
      }
    }
    ::close(c);
  }
  bool connack_;
  int listener_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

TEST(MqttBroker, NeverAcknowledgingBrokerKeepsEverythingBounded) {
  for (const bool connack : {true, false}) {
    TSilentBroker silent(connack);
    TLogLines log;
    TMqttLimits limits;
    limits.Queue = 32;
    limits.Alarms = 8;
    limits.InFlight = 4;
    limits.AnswerTimeoutMs = 60000;
    TMqttStation station(Config(silent.Port), log.Sink(), limits);
    for (int i = 0; i < 2000; ++i) {
      station.Intensity({NowMicros(), 1.0, 1.0, std::nullopt, std::nullopt});
      if (i % 2 == 0) station.Alarm(Start());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const TMqttCounts counts = station.Counts();
    EXPECT_LE(counts.Queued, 32u) << connack;
    EXPECT_LE(counts.InFlight, 4u) << connack;
    EXPECT_GE(counts.RefusedAlarms, 1000 - 8 - 4) << connack;
    EXPECT_EQ(counts.Connected, connack);
  }
}

// Nothing listens: one line, the messages wait. A port that takes each connection and drops it at
// once: the tries come twice as far apart each time, up to the last delay.
TEST(MqttBroker, DeadBrokerIsTriedWithDoublingBackOff) {
  TMqttLimits limits;
  limits.FirstRetryMs = 100;
  limits.LastRetryMs = 400;
  {
    TLogLines log;
    TMqttStation station(Config(test::FreeLoopbackPort()), log.Sink(), limits);
    station.Alarm(Start());
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
    EXPECT_EQ(log.Lines().size(), 1u) << log.All();
    EXPECT_EQ(log.Count("接続できません"), 1) << log.All();
    EXPECT_EQ(station.Counts().Queued, 2u);  // the alarm and its binary sensor's state wait
    EXPECT_EQ(station.Counts().Connects, 0);
  }
  int port = 0;
  const int listener = test::ListenOnLoopback(port);
  std::vector<std::chrono::steady_clock::time_point> tries;
  std::thread acceptor([&] {
    while (true) {
      const int c = ::accept(listener, nullptr, nullptr);
      if (c < 0) return;
      tries.push_back(std::chrono::steady_clock::now());
      ::close(c);
    }
  });
  {
    TMqttStation station(Config(port), {}, limits);
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  }
  ::shutdown(listener, SHUT_RDWR);
  acceptor.join();
  ::close(listener);
  ASSERT_GE(tries.size(), 5u);
  std::vector<double> gaps;
  for (std::size_t i = 1; i < tries.size(); ++i) {
    gaps.push_back(std::chrono::duration<double, std::milli>(tries[i] - tries[i - 1]).count());
  }
  EXPECT_NEAR(gaps[0], 100, 60);
  EXPECT_NEAR(gaps[1], 200, 60);
  EXPECT_NEAR(gaps[2], 400, 60);
  EXPECT_NEAR(gaps[3], 400, 60);
}

}  // namespace
}  // namespace tevra
