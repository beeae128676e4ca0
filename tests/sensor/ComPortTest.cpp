#include "sensor/ComPort.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "Pty.h"
#include "base/AtomicFile.h"
#include "sensor/VXTRRR.h"
#include "support/ScratchDir.h"

namespace tevra {
namespace {

// Runs each test in a scratch working directory, where "ComPort.ini" lives.
class ComPortTest : public ::testing::Test {
 protected:
  void Ini(const std::string& text) { std::ofstream(dir.File("ComPort.ini")) << text; }
  std::string IniText() {
    std::string s;
    ReadWholeFile(dir.File("ComPort.ini"), s);
    return s;
  }
  // Port 5 stands for a device that is not there.
  std::string Devices() {
    return "[Devices]\nCOM1=" + pty.SlavePath + "\nCOM2=" + other.SlavePath +
           "\nCOM5=" + dir.File("missing") + "\n";
  }

  test::TScratchDir dir{test::TScratchDir::Enter};
  test::TPty pty;
  test::TPty other;
};

TEST_F(ComPortTest, AMissingFileGetsTheDefaultsAndThePortOpensWithThem) {
  std::vector<std::string> labels;
  ComPort com(ComPort::DefaultFileName, [&](const std::string& t) { labels.push_back(t); });
  EXPECT_EQ(IniText(), "[RS232C]\nCOM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=NONE\n");
  EXPECT_EQ(com.LineSettingsText(), "baud=9600 parity=N data=8 stop=1");
  EXPECT_EQ(com.DeviceName(1), "/dev/ttyS0");
  EXPECT_EQ(com.DeviceName(12), "/dev/ttyS11");
  ASSERT_NE(com.Port(), nullptr);
  EXPECT_EQ(com.Port()->Device(), "/dev/ttyS0");
  ASSERT_EQ(labels.size(), 1u);
  EXPECT_EQ(labels[0], com.StatusText());
}

TEST_F(ComPortTest, TheDevicesSectionNamesThePortsDevice) {
  Ini("[RS232C]\nCOM=2\nPARITY=ODD\nBIT=7\nSTOP=2\n" + Devices());
  ComPort com;
  EXPECT_EQ(com.StatusText(), "Ready       ");
  EXPECT_EQ(com.Port()->Device(), other.SlavePath);
  EXPECT_EQ(com.Port()->PortNumber(), 2);
  EXPECT_EQ(com.Port()->Timeouts().ReadTotalTimeoutConstant, 100u);
  EXPECT_EQ(com.LineSettingsText(), "baud=9600 parity=O data=7 stop=2");
  // Reopening closes the device before claiming it again.
  EXPECT_EQ(com.OpenPort(true), "Ready       ");
  EXPECT_EQ(com.OpenPort(false), "Ready       ");
  com.ReopenPort();
  EXPECT_EQ(com.StatusText(), "Ready       ");
}

TEST_F(ComPortTest, SettingsThePortCannotTakeLeaveItNotReadyUntilTheyAreMended) {
  const std::string bad = ": line settings not understood: ";
  const struct {
    const char* Settings;
    const char* Text;
    const char* Label;
    std::string Reason;  // after the device's name; empty when ready
  } cases[] = {
      {"PARITY=\n", "baud=9600 parity=data=8 stop=1", "Not Ready   ",
       bad + "\"baud=9600 parity=data=8 stop=1\""},
      {"PARITY=X\n", "baud=9600 parity=X data=8 stop=1", "Not Ready   ",
       bad + "\"baud=9600 parity=X data=8 stop=1\""},
      {"PARITY=even\n", "baud=9600 parity=e data=8 stop=1", "Ready       ", ""},
      {"BAUD=0\n", "baud=0 parity=N data=8 stop=1", "Not Ready   ",
       bad + "\"baud=0 parity=N data=8 stop=1\""},
      {"BAUD=14400\n", "baud=14400 parity=N data=8 stop=1", "Ready       ", ""},
      {"BAUD=4000\n", "baud=4000 parity=N data=8 stop=1", "Ready       ", ""},
      {"BIT=9\n", "baud=9600 parity=N data=9 stop=1", "Not Ready   ",
       bad + "\"baud=9600 parity=N data=9 stop=1\""},
      {"STOP=3\n", "baud=9600 parity=N data=8 stop=3", "Not Ready   ",
       bad + "\"baud=9600 parity=N data=8 stop=3\""},
      {"COM=5\n", "baud=9600 parity=N data=8 stop=1", "Not Ready   ", ": open: No such file or directory"},
      {"PARITY=\x83\x69\x83\x56\n", "baud=9600 parity=ナ data=8 stop=1", "Not Ready   ",
       bad + "\"baud=9600 parity=ナ data=8 stop=1\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Settings);
    Ini(std::string("[RS232C]\n") + c.Settings + Devices());
    ComPort com;
    EXPECT_EQ(com.LineSettingsText(), c.Text);
    EXPECT_EQ(com.StatusText(), c.Label);
    const std::string reason = c.Reason.empty() ? "" : com.Port()->Device() + c.Reason;
    EXPECT_EQ(com.Readiness().Error().Message, reason);
  }
  // Port 5 has no device; once the file names one, a reopen works.
  Ini("[RS232C]\nCOM=5\n" + Devices());
  ComPort com;
  EXPECT_EQ(com.StatusText(), "Not Ready   ");
  com.Settings().WriteString("Devices", "COM5", pty.SlavePath);
  com.ReopenPort();
  EXPECT_EQ(com.StatusText(), "Ready       ");
}

TEST_F(ComPortTest, AnotherProgramHoldingTheDeviceMakesItNotReady) {
  Ini("[RS232C]\nCOM=1\n" + Devices());
  RS232C holder(1, "baud=9600", pty.SlavePath);
  ASSERT_EQ(holder.Status(), RS232C::PortReady);
  ComPort com;
  EXPECT_EQ(com.StatusText(), "Not Ready   ");
  // The sensor's text first, then why the port is not ready, naming the device.
  const std::string reason = com.Readiness().Error().Message;
  EXPECT_EQ(reason.rfind(pty.SlavePath + ": ", 0), 0u) << reason;
  EXPECT_EQ(SensorErrorTextFor(VXTRRR::ReaderValueError, com), "センサが繋がっていません\n" + reason);
}

TEST_F(ComPortTest, ANamedPipeAsTheFileIsNamedAsUnreadableWithoutBlocking) {
  ASSERT_EQ(mkfifo(dir.File("ComPort.ini").c_str(), 0600), 0);
  ComPort com;  // no writer on the pipe: an open that waited would never return
  const std::string noData = SensorErrorText(VXTRRR::ReaderNoData);
  EXPECT_EQ(SensorErrorTextFor(VXTRRR::ReaderNoData, com),
            "設定ファイル　ComPort.iniを読み込めません。" + noData);
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("ComPort.ini").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "left as it was";
  // Read again at every failure: once the file is a file, only the reader's own text remains.
  std::filesystem::remove(dir.File("ComPort.ini"));
  Ini("[RS232C]\nCOM=1\n");
  EXPECT_EQ(SensorErrorTextFor(VXTRRR::ReaderNoData, com), noData);
}

}  // namespace
}  // namespace tevra
