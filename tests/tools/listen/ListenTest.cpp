#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "base/Cp932.h"
#include "support/RecordingPlatform.h"
#include "alarm/PanelPackets.h"
#include "tools/listen/ListenText.h"

namespace tevra {
namespace {

TEST(ListenText, DecodesCp932AndEscapesControlAndForeignBytes) {
  EXPECT_EQ(ListenText("000,ABC,2007/10/30,12:34:56,0, , , ,"), "000,ABC,2007/10/30,12:34:56,0, , , ,");
  EXPECT_EQ(ListenText(Utf8ToCp932("100,地震発生,ｱ,")), "100,地震発生,ｱ,");
  EXPECT_EQ(ListenText(std::string("a\0b\r\n\x7F", 6)), "a\\x00b\\x0D\\x0A\\x7F");
  EXPECT_EQ(ListenText("\x80\xA0\xFD\xFF"), "\\x80\\xA0\\xFD\\xFF");
  // A lead byte without a valid trail byte: the lead alone is escaped, the next byte stands.
  EXPECT_EQ(ListenText("\x81\x20z"), "\\x81 z");
  EXPECT_EQ(ListenText("ok\x81"), "ok\\x81");
  EXPECT_EQ(ListenText("\x81\x7F\x81\x40"), "\\x81\\x7F\xE3\x80\x80");  // then a full-width blank
}

TEST(ListenOptions, DefaultsValuesAndRejectedInput) {
  const char* none[] = {"tevra-listen"};
  const TResult<TListenOptions> defaults = ParseListenOptions(1, none);
  ASSERT_TRUE(defaults);
  TListenOptions o = defaults.Value();
  EXPECT_EQ(o.Port, 6668);
  EXPECT_EQ(o.Count, -1);
  EXPECT_LT(o.Seconds, 0);
  const char* all[] = {"tevra-listen", "--port", "5000", "--count=3", "--seconds", "1.5"};
  const TResult<TListenOptions> given = ParseListenOptions(6, all);
  ASSERT_TRUE(given);
  o = given.Value();
  EXPECT_EQ(o.Port, 5000);
  EXPECT_EQ(o.Count, 3);
  EXPECT_DOUBLE_EQ(o.Seconds, 1.5);
  for (const auto& bad : std::vector<std::vector<const char*>>{{"--port", "70000"},
                                                               {"--port", "12a"},
                                                               {"--count", "0"},
                                                               {"--seconds", "nan"},
                                                               {"--seconds", "1e16"},
                                                               {"--count", "10000000000"},
                                                               {"--seconds"},
                                                               {"--send", "1"}}) {
    std::vector<const char*> argv{"tevra-listen"};
    argv.insert(argv.end(), bad.begin(), bad.end());
    const TResult<TListenOptions> refused = ParseListenOptions(int(argv.size()), argv.data());
    ASSERT_FALSE(refused) << bad[0];
    EXPECT_FALSE(refused.Error().Message.empty());
  }
}

// tevra-listen as a child process, with its output read from pipes.
class Listener {
 public:
  explicit Listener(std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      dup2(err[1], 2);
      std::vector<char*> argv;
      static std::string path = TEVRA_BINARY_DIR "/tools/listen/tevra-listen";
      argv.push_back(path.data());
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(path.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~Listener() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }
  // Reads from `fd` until `text` has appeared or `ms` passed.
  bool WaitFor(bool fromStderr, const std::string& text, int ms) {
    std::string& seen = fromStderr ? errText_ : outText_;
    const int fd = fromStderr ? err_ : out_;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (seen.find(text) == std::string::npos) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      if (left.count() <= 0) return false;
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, int(left.count())) <= 0) return false;
      char buf[512];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) return false;
      seen.append(buf, std::size_t(n));
    }
    return true;
  }
  // The exit status, waiting at most `ms`; -1 when still running.
  int Exit(int ms) {
    for (int waited = 0; waited <= ms; waited += 10) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      }
      usleep(10000);
    }
    return -1;
  }
  const std::string& Out() const { return outText_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  bool exited_ = false;
  std::string outText_, errText_;
};

int FreeUdpPort() {
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

TEST(TevraListen, PrintsAPanelPacketSentToTheLoopbackBroadcast) {
  ASSERT_EQ(setenv("TEVRA_HOST_ADDRESSES", "127.0.0.1", 1), 0);
  const int port = FreeUdpPort();
  Listener listener({"--port", std::to_string(port), "--count", "1", "--seconds", "20"});
  ASSERT_TRUE(listener.WaitFor(true, "listening on UDP port " + std::to_string(port), 5000));

  TPanelNetwork network;
  ASSERT_TRUE(network.FindLocalAddress(nullptr));
  network.MakeBroadcastAddress();
  ASSERT_EQ(network.BroadcastAddress, "127.0.0.255");  // stays on this machine
  TPanelSettings settings;
  settings.UseUdp = true;
  settings.UdpPort = port;
  settings.SensorId = "地震センサ１";
  TRecordingPlatform platform;
  EXPECT_EQ(network.SendTestPacket(settings, platform.LocalNow(), platform), TSendResult::Sent);

  ASSERT_TRUE(listener.WaitFor(false, "\n", 5000));
  EXPECT_EQ(listener.Exit(5000), 0);
  const std::string& line = listener.Out();
  EXPECT_EQ(line.rfind("127.0.0.1:", 0), 0u) << line;
  const std::string text =
      "100,地震センサ１,2007/10/30,12:34:56,1, ,試験UDPパケットを受信しました。,動作試験,\n";
  ASSERT_GE(line.size(), text.size());
  EXPECT_EQ(line.substr(line.size() - text.size()), text);
  EXPECT_GE(std::stoi(line.substr(10)), 49152);  // the sender's port
}

TEST(TevraListen, StopsAfterItsSecondsAndRejectsBadOptions) {
  Listener quiet({"--port", std::to_string(FreeUdpPort()), "--seconds", "0.3"});
  EXPECT_EQ(quiet.Exit(5000), 0);
  EXPECT_EQ(quiet.Out(), "");
  Listener bad({"--port", "99999"});
  EXPECT_EQ(bad.Exit(5000), 2);
}

}  // namespace
}  // namespace tevra
