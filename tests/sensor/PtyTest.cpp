// The serial port and the reader on real pseudo-terminals.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "FakeLink.h"
#include "Pty.h"
#include "base/PlainPlatform.h"
#include "support/RecordingPlatform.h"
#include "sensor/ComPort.h"
#include "sensor/PortPermission.h"
#include "sensor/RS232C.h"
#include "sensor/VXTRRR.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace test {
unsigned KeptLineSpeed(int fd, bool input);  // KeptLineSpeed.cpp
}
namespace {

using test::Frame;
using test::TPty;

constexpr const char* Line = "baud=9600 parity=N data=8 stop=1";

std::string Frames(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += Frame(2000 + i, 2100, 3000);
  return s;
}

// The port owner of a fixed device, as the monitor has it.
class TDeviceOwner : public TPortOwner {
 public:
  explicit TDeviceOwner(std::string device) : device_(std::move(device)) { ReopenPort(); }
  TSerialLink* CurrentPort() override { return port.get(); }
  void ReopenPort() override {
    port.reset();
    port = std::make_unique<RS232C>(1, Line, device_);
    if (port->Status() == RS232C::PortReady) port->SetReadTimeout(100);
  }
  std::unique_ptr<RS232C> port;

 private:
  std::string device_;
};

// A platform whose waits let the test put bytes on the line at that moment of CheckSensor.
class TScriptedPlatform : public TRecordingPlatform {
 public:
  std::function<void(int)> OnSleep;
  int Sleeps = 0;
  void Sleep(int ms) override {
    TRecordingPlatform::Sleep(ms);
    if (OnSleep) OnSleep(++Sleeps);
  }
};

TEST(PtyTest, ThePortOpensConfiguredAndExclusive) {
  TPty pty;
  ASSERT_FALSE(pty.SlavePath.empty());
  {
    RS232C port(3, "baud=14400 parity=O data=7 stop=2", pty.SlavePath);
    ASSERT_EQ(port.Status(), RS232C::PortReady);
    EXPECT_EQ(port.PortNumber(), 3);
    termios t{};
    ASSERT_EQ(tcgetattr(port.Handle(), &t), 0);
    // A pseudo-terminal keeps no parity or character size; what it keeps is checked.
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_FALSE(t.c_cflag & CRTSCTS);
    EXPECT_FALSE(t.c_lflag & ECHO);
    // A rate without a B constant, read back as the device keeps it.
    EXPECT_EQ(test::KeptLineSpeed(port.Handle(), true), 14400u);
    EXPECT_EQ(test::KeptLineSpeed(port.Handle(), false), 14400u);
    // A second opener, this program or another, gets a port that is not ready.
    RS232C second(3, Line, pty.SlavePath);
    EXPECT_EQ(second.Status(), RS232C::PortNotReady);
    EXPECT_EQ(second.Read(nullptr, 10), 0);
    EXPECT_EQ(port.ClearCommError(), 0u);  // pseudo-terminals have no line-error counters
  }
  RS232C again(3, Line, pty.SlavePath);
  EXPECT_EQ(again.Status(), RS232C::PortReady);
}

TEST(PtyTest, OpeningFailsForAMissingDeviceABadTextOrAPlainFile) {
  TPty pty;
  test::TScratchDir dir;
  std::ofstream(dir.File("plain")) << "x";
  const std::string notATerminal = ": TCGETS2: Inappropriate ioctl for device";
  const struct {
    std::string Device;
    const char* Text;
    std::string Reason;
  } cases[] = {
      {dir.File("missing"), Line, ": open: No such file or directory"},
      {dir.File("plain"), Line, notATerminal},
      {"/dev/null", Line, notATerminal},
      {pty.SlavePath, "baud=0 parity=N data=8 stop=1",
       ": line settings not understood: \"baud=0 parity=N data=8 stop=1\""},
  };
  for (const auto& c : cases) {
    const RS232C port(1, c.Text, c.Device);
    EXPECT_EQ(port.Status(), RS232C::PortNotReady);
    EXPECT_EQ(port.Opened().Error().Message, c.Device + c.Reason);
  }
  EXPECT_EQ(RS232C(1, Line, dir.File("missing")).Opened().Error().Errno, ENOENT);
  // A not-ready port still holds the device until it is closed, as on the first platform.
  EXPECT_EQ(RS232C(1, "baud=9600 parity=data=8 stop=1", pty.SlavePath).Status(), RS232C::PortNotReady);
  const RS232C ready(1, Line, pty.SlavePath);
  EXPECT_EQ(ready.Status(), RS232C::PortReady);
  EXPECT_TRUE(ready.Opened());
  EXPECT_EQ(RS232C::DefaultDeviceName(12), "/dev/ttyS11");
}

// Another program that locks the device without claiming it exclusively.
TEST(PtyTest, ADeviceLockedByAnotherProgramNamesTheLock) {
  TPty pty;
  const int other = ::open(pty.SlavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(other, 0);
  ASSERT_EQ(::flock(other, LOCK_EX | LOCK_NB), 0);
  const RS232C port(1, Line, pty.SlavePath);
  EXPECT_EQ(port.Status(), RS232C::PortNotReady);
  EXPECT_EQ(port.Opened().Error().Message, pty.SlavePath + ": flock: Resource temporarily unavailable");
  ::close(other);
}

TEST(PtyTest, ReadsReturnWhatHasArrivedAndReadLineStopsAtTheTerminator) {
  TPty pty;
  RS232C port(1, Line, pty.SlavePath);
  ASSERT_EQ(port.Status(), RS232C::PortReady);
  ASSERT_EQ(port.SetReadTimeout(100), 1);
  EXPECT_EQ(port.Timeouts().ReadIntervalTimeout, 0xFFFFFFFFu);
  EXPECT_EQ(port.Timeouts().ReadTotalTimeoutConstant, 100u);
  char buf[64] = {};
  EXPECT_EQ(port.Read(buf, sizeof buf), 0);  // silent line: one wait, nothing
  ASSERT_TRUE(pty.Write(Frame(1, 2, 3) + "abc"));
  EXPECT_EQ(port.ReadLine(buf, '\r', sizeof buf), 16);
  EXPECT_EQ(buf[16], '\r');
  EXPECT_EQ(buf[17], '\0');
  EXPECT_EQ(port.ReadLine(buf, '\r', sizeof buf), -3);
  EXPECT_STREQ(buf, "abc");
  ASSERT_TRUE(pty.Write("leftover"));
  ASSERT_TRUE(test::WaitForBytes(port.Handle(), 8));
  EXPECT_EQ(port.Purge(TSerialLink::PurgeRxClear), 1);
  EXPECT_EQ(port.Read(buf, sizeof buf), 0);
}

TEST(PtyTest, FramesThroughAPseudoTerminalLikeThroughTheLine) {
  TPty pty;
  TDeviceOwner owner(pty.SlavePath);
  ASSERT_EQ(owner.port->Status(), RS232C::PortReady);
  TRecordingPlatform platform;
  VXTRRR reader(owner, platform);
  auto Send = [&](const std::string& s) {
    ASSERT_TRUE(pty.Write(s));
    ASSERT_TRUE(test::WaitForBytes(owner.port->Handle(), s.size()));
  };

  // 30 frames and 10 bytes; the frame is completed by the next read.
  const std::string next = Frame(1234, 2345, 3456);
  Send(Frames(30) + next.substr(0, 10));
  ASSERT_TRUE(reader.ReadFrames());
  EXPECT_EQ(reader.SampleCount(), 30);
  Send(next.substr(10));
  ASSERT_TRUE(reader.ReadFrames());
  ASSERT_EQ(reader.SampleCount(), 1);
  EXPECT_EQ(reader.Samples()[0].X, 4096 - 1234);

  // A frame split in three reads.
  Send(next.substr(0, 3));
  ASSERT_TRUE(reader.ReadFrames());
  Send(next.substr(3, 9));
  ASSERT_TRUE(reader.ReadFrames());
  Send(next.substr(12));
  ASSERT_TRUE(reader.ReadFrames());
  EXPECT_EQ(reader.SampleCount(), 1);

  struct {
    const char* Name;
    std::string Bytes;
    int Status;
  } failures[] = {
      {"CR LF", Frame(2000, 2000, 2000) + "\n" + Frames(2), VXTRRR::ReaderFormatError},
      {"status digit 2", Frame(2000, 2000, 2000, 2), VXTRRR::ReaderFormatError},
      {"Y 4095", Frames(3) + Frame(2000, 4095, 2000), VXTRRR::ReaderValueError},
      {"Y 0", Frame(2000, 0, 2000), VXTRRR::ReaderValueError},
      {"zero byte", Frames(1) + Frames(1).substr(0, 5) + std::string("\0", 1) + Frames(3),
       VXTRRR::ReaderFormatError},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.Name);
    Send(f.Bytes);
    bool ok = reader.ReadFrames();
    // The zero byte cut the first chunk: the misalignment shows at the next read.
    if (ok) {
      Send(Frames(1));
      ok = reader.ReadFrames();
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(reader.ReaderStatus(), f.Status);
    // Resynchronise while the sensor goes on sending.
    std::atomic<bool> stop{false};
    std::thread feeder([&] {
      while (!stop) {
        pty.Write(Frames(3));
        usleep(30000);
      }
    });
    const bool checked = reader.CheckSensor();
    stop = true;
    feeder.join();
    EXPECT_TRUE(checked);
    owner.port->Purge(TSerialLink::PurgeRxClear);
  }
}

TEST(PtyTest, CheckSensorMeasuresTheLineItFinds) {
  struct {
    const char* Name;
    std::string Line;  // sent after the first wait, behind a partial frame
    bool Ok;
    int Status;
  } cases[] = {
      {"good frame", Frame(1000, 2000, 3000), true, VXTRRR::ReaderIdle},
      {"twenty characters", "01234567890123456789\r", false, VXTRRR::ReaderFormatError},
      {"ten characters", "0123456789\r", false, VXTRRR::ReaderNoData},
      {"raw 4095", Frame(4095, 2000, 2000), false, VXTRRR::ReaderValueError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TPty pty;
    TDeviceOwner owner(pty.SlavePath);
    TScriptedPlatform platform;
    VXTRRR reader(owner, platform);
    ASSERT_TRUE(pty.Write("junk before the check"));
    platform.OnSleep = [&](int n) {
      if (n == 1) {
        pty.Write("0,0\r" + c.Line);
        test::WaitForBytes(owner.port->Handle(), 4 + c.Line.size());
      }
    };
    EXPECT_EQ(reader.CheckSensor(), c.Ok);
    EXPECT_EQ(reader.ReaderStatus(), c.Status);
  }
  // A silent line: two waits and three reads of at most 100 ms each, then no data.
  TPty silent;
  TDeviceOwner owner(silent.SlavePath);
  TPlainPlatform real;
  VXTRRR reader(owner, real);
  EXPECT_FALSE(reader.CheckSensor());
  EXPECT_EQ(reader.ReaderStatus(), VXTRRR::ReaderNoData);
}

TEST(PtyTest, CheckSensorOnAStreamWithoutCarriageReturnsEndsWithinItsDeadline) {
  TPty pty;
  TDeviceOwner owner(pty.SlavePath);
  TPlainPlatform real;
  VXTRRR reader(owner, real);
  // A wrong baud rate: about 960 bytes/s, never a CR.
  std::atomic<bool> stop{false};
  std::thread sender([&] {
    while (!stop) {
      pty.Write(std::string(48, 'A'));
      usleep(50000);
    }
  });
  const auto start = std::chrono::steady_clock::now();
  const bool ok = reader.CheckSensor();
  const auto took = std::chrono::steady_clock::now() - start;
  stop = true;
  sender.join();
  EXPECT_FALSE(ok);
  EXPECT_EQ(reader.ReaderStatus(), VXTRRR::ReaderFormatError);
  EXPECT_LT(took, std::chrono::seconds(5));  // a hang guard, not a timing check
}

TEST(PtyTest, EmptyReadsCountUpToNoData) {
  TPty pty;
  TDeviceOwner owner(pty.SlavePath);
  owner.port->SetReadTimeout(1);  // the count, not the waiting, is under test
  TRecordingPlatform platform;
  VXTRRR reader(owner, platform);
  for (int i = 0; i < 99; ++i) ASSERT_TRUE(reader.ReadFrames());
  ASSERT_TRUE(pty.Write(Frames(1)));
  ASSERT_TRUE(test::WaitForBytes(owner.port->Handle(), 17));
  ASSERT_TRUE(reader.ReadFrames());
  EXPECT_EQ(reader.SampleCount(), 1);
  for (int i = 0; i < 99; ++i) ASSERT_TRUE(reader.ReadFrames());
  EXPECT_FALSE(reader.ReadFrames());
  EXPECT_EQ(reader.ReaderStatus(), VXTRRR::ReaderNoData);
}

// A hang-up is no data at once, not after the empty reads of a silent line.
TEST(PtyTest, AMasterThatClosesMidRunIsNoDataAtOnce) {
  auto pty = std::make_unique<TPty>();
  TDeviceOwner owner(pty->SlavePath);
  owner.port->SetReadTimeout(1);
  TRecordingPlatform platform;
  VXTRRR reader(owner, platform);
  ASSERT_TRUE(pty->Write(Frames(5)));
  ASSERT_TRUE(test::WaitForBytes(owner.port->Handle(), 5 * 17));
  ASSERT_TRUE(reader.ReadFrames());
  EXPECT_EQ(reader.SampleCount(), 5);
  EXPECT_FALSE(owner.port->HungUp());
  pty.reset();
  int calls = 0;
  while (reader.ReadFrames() && calls < 1000) ++calls;
  EXPECT_EQ(calls, 0);
  EXPECT_TRUE(owner.port->HungUp());
  EXPECT_EQ(reader.ReaderStatus(), VXTRRR::ReaderNoData);
  EXPECT_FALSE(reader.CheckSensor());
  EXPECT_EQ(reader.ReaderStatus(), VXTRRR::ReaderNoData);
}

// Runs `body` in a child process as nobody when the test runs as root (root ignores both the
// exclusive flag and file modes); the child's exit status, or -1.
int ExitStatusAsNobody(const std::function<int()>& body) {
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (geteuid() == 0) {
      const gid_t nobody = 65534;
      if (setgroups(0, nullptr) != 0 || setresgid(nobody, nobody, nobody) != 0 ||
          setresuid(nobody, nobody, nobody) != 0) {
        _exit(10);
      }
    }
    _exit(body());
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A port closed by an unprivileged user must not leave the exclusive flag behind, or the next
// open of the same pseudo-terminal is refused.
TEST(PtyTest, AnUnprivilegedUserCanReopenThePortItClosed) {
  EXPECT_EQ(ExitStatusAsNobody([] {
              TPty pty;  // created by the unprivileged user, so it may open the slave
              if (pty.SlavePath.empty()) return 11;
              {
                RS232C first(1, Line, pty.SlavePath);
                if (first.Status() != RS232C::PortReady) return 12;
                const int other = ::open(pty.SlavePath.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
                if (other >= 0 || errno != EBUSY) return 13;  // the exclusive flag holds while open
              }
              RS232C second(1, Line, pty.SlavePath);
              return second.Status() == RS232C::PortReady ? 0 : 14;
            }),
            0);
}

// A user outside the device's group is told so, instead of being sent to check the cables.
TEST(PtyTest, APortTheUserMayNotOpenSaysSoInTheSensorErrorText) {
  TPty pty;
  ASSERT_EQ(::chmod(pty.SlavePath.c_str(), 0), 0);
  const std::string expected =
      "シリアルポート " + pty.SlavePath +
      " を開く権限がありません。ユーザを dialout グループに加えて、ログインし直してください";
  EXPECT_EQ(ExitStatusAsNobody([&] {
              RS232C port(1, Line, pty.SlavePath);
              if (port.Status() == RS232C::PortReady || !PortPermissionDenied(&port)) return 11;
              return SensorErrorTextFor(VXTRRR::ReaderNoData, &port) == expected ? 0 : 12;
            }),
            0);
  // Every other failure keeps its own text, followed by why the port did not open.
  test::TScratchDir dir;
  RS232C missing(1, Line, dir.File("missing"));
  EXPECT_FALSE(PortPermissionDenied(&missing));
  const std::string reason = "\n" + dir.File("missing") + ": open: No such file or directory";
  for (int status = 0; status <= 6; ++status) {
    EXPECT_EQ(SensorErrorTextFor(status, &missing), SensorErrorText(status) + reason);
    EXPECT_EQ(SensorErrorTextFor(status, nullptr), SensorErrorText(status));
  }
}

}  // namespace
}  // namespace tevra
