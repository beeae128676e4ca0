#include "ui/PanelFixture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "base/AtomicFile.h"
#include "base/Cp932.h"

namespace tevra::test {

std::string TFrameSource::Next(int frames) {
  std::string bytes;
  for (int i = 0; i < frames; ++i, ++n_) {
    const double phase = 2 * M_PI * static_cast<double>(n_) / 100.0 / SwingSeconds;
    const double swing = SwingGal / 0.980665;
    const int jitter = static_cast<int>(n_ % 3) - 1;  // a count of noise keeps the line alive
    const int x = 2048 + static_cast<int>(std::lround(swing * std::sin(phase))) + jitter;
    const int y = 2048 + static_cast<int>(std::lround(0.8 * swing * std::cos(phase)));
    const int z = 1048 - jitter;
    char frame[32];
    std::snprintf(frame, sizeof frame, "%04d,%04d,%04d,1\r", 4096 - x, y, 4096 - z);
    bytes += frame;
  }
  return bytes;
}

void PanelTest::SetUp() {
  // An allowed close in an earlier test ends the program through QCoreApplication::exit(), which
  // makes every later event loop, a dialog's exec() included, return at once. A run of the
  // application's own loop clears that.
  QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
  QCoreApplication::exec();
  // The panel's packets must never leave this machine: its broadcast goes to 127.0.0.255.
  ::setenv("TEVRA_HOST_ADDRESSES", "127.0.0.1", 1);
  sensorLink_ = JoinPath(dir_, "sensor-link");
  ReplugSensor();
  // The sensor sends while the panel waits, 100 frames a second of waiting.
  platform_.DuringSleep = [this](int ms) {
    if (sensorSends_) Send(source_.Next(ms / 10));
  };

  udpSocket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_ANY);
  ASSERT_EQ(::bind(udpSocket_, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  socklen_t len = sizeof addr;
  ::getsockname(udpSocket_, reinterpret_cast<sockaddr*>(&addr), &len);
  udpPort_ = ntohs(addr.sin_port);
}

void PanelTest::UnplugSensor() {
  pty_.CloseMaster();
  std::filesystem::remove(sensorLink_);
}

void PanelTest::ReplugSensor() {
  if (pty_.Master < 0) pty_.Open();
  ASSERT_FALSE(pty_.SlavePath.empty());
  std::filesystem::remove(sensorLink_);
  std::filesystem::create_symlink(pty_.SlavePath, sensorLink_);
  if (observer_ >= 0) ::close(observer_);
  observer_ = ::open(pty_.SlavePath.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
}

void PanelTest::Send(const std::string& bytes) {
  if (pty_.Master < 0 || bytes.empty()) return;
  int before = 0;
  if (observer_ >= 0) ::ioctl(observer_, FIONREAD, &before);
  pty_.Write(bytes);
  // The pty hands bytes to the other end a moment later: wait until they are all there, so a
  // tick reads exactly what the test sent.
  for (int i = 0; i < 2000; ++i) {
    int queued = 0;
    if (observer_ < 0 || ::ioctl(observer_, FIONREAD, &queued) != 0) {
      ::usleep(5000);
      return;
    }
    if (queued >= before + static_cast<int>(bytes.size())) return;
    ::usleep(100);
  }
}

void PanelTest::TearDown() {
  DestroyPanel();
  if (observer_ >= 0) ::close(observer_);
  if (udpSocket_ >= 0) ::close(udpSocket_);
}

void PanelTest::CreatePanel(const TPanelSetup& s) {
  WriteFileAtomically(
      JoinPath(dir_, "ComPort.ini"),
      "[RS232C]\nCOM=1\nBAUD=9600\nBIT=8\nSTOP=1\nPARITY=NONE\n[Devices]\nCOM1=" + sensorLink_ + "\n");
  char ini[2048];
  std::snprintf(
      ini, sizeof ini,
      "[00000000]\nID=%s\nUDPポート番号=%d\n警報震度=%f\n地震情報の保存可否=%d\n加速度情報の保存可否=%d\n"
      "警報加速度=%d\nUDPパケット使用の可否=%d\n警報の種類=%d\n地震情報フォルダ名=%s\n"
      "加速度情報フォルダ名=%s\n計測自動開始=%d\n警報時振動情報の保存の可否=%d\n",
      s.SensorId.c_str(), udpPort_, s.AlarmIntensity, s.SaveEventLog, s.SaveDetailData, s.AlarmAcceleration,
      s.UseUdp, s.AlarmKind, (s.EventFolder.empty() ? dir_ : s.EventFolder).c_str(),
      (s.DetailFolder.empty() ? dir_ : s.DetailFolder).c_str(), s.AutoStart, s.SaveNoiseOnAlarm);
  WriteFileAtomically(JoinPath(dir_, "TevraPanel.ini"), Utf8ToCp932(ini));

  form4_ = std::make_unique<TForm4>();
  windows_.Form4 = form4_.get();
  comPort_ = std::make_unique<TComPortForm>();
  windows_.ComPortForm = comPort_.get();
  form1_ = std::make_unique<TForm1>(platform_, windows_);
  panel_ = windows_.Form1 = form1_.get();
  panel_->FormCreate();
  form2_ = std::make_unique<TForm2>(platform_, windows_);
  windows_.Form2 = form2_.get();
  form3_ = std::make_unique<TForm3>(windows_);
  windows_.Form3 = form3_.get();
  form5_ = std::make_unique<TForm5>();
  windows_.Form5 = form5_.get();
  panel_->show();
}

void PanelTest::StartAutomatically(TPanelSetup setup) {
  setup.AutoStart = true;
  CreatePanel(setup);
  for (int i = 0; i < 4; ++i) panel_->Timer5Timer();
}

void PanelTest::DestroyPanel() {
  form5_.reset();
  form3_.reset();
  form2_.reset();
  form1_.reset();
  comPort_.reset();
  form4_.reset();
  windows_ = {};
  panel_ = nullptr;
}

void PanelTest::Start() {
  panel_->N8Click();
  ASSERT_TRUE(panel_->Measuring()) << "calls: " << (platform_.Calls.empty() ? "" : platform_.Calls.back());
}

void PanelTest::Tick(int frames) {
  if (frames > 0) Send(source_.Next(frames));
  // The clocks follow the data: a tick with more frames stands for a longer pause.
  platform_.Advance(frames > 10 ? frames * 10 : 100);
  // Called directly; no event loop runs, so the real timers never fire in between.
  panel_->Timer2Timer();
}

std::chrono::steady_clock::duration PanelTest::TryReconnect() {
  const auto began = std::chrono::steady_clock::now();
  panel_->ReconnectTimerTimer();
  const auto held = std::chrono::steady_clock::now() - began;
  const auto giveUp = began + std::chrono::seconds(30);
  while (panel_->RetryRunning() && std::chrono::steady_clock::now() < giveUp) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  EXPECT_FALSE(panel_->RetryRunning());
  return held;
}

std::string PanelTest::Ini() const {
  std::string bytes;
  ReadWholeFile(JoinPath(dir_, "TevraPanel.ini"), bytes);
  return bytes;
}

std::vector<std::string> PanelTest::ListLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < panel_->ListBox1->count(); ++i)
    lines.push_back(panel_->ListBox1->item(i)->text().toStdString());
  return lines;
}

std::string PanelTest::FileUtf8(const std::string& path) const {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return "<unreadable>";
  return Cp932ToUtf8(bytes);
}

std::vector<std::string> PanelTest::FilesMatching(const std::string& suffix,
                                                  const std::string& folder) const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder.empty() ? dir_ : folder)) {
    const std::string name = e.path().filename().string();
    // The event log and the long-period lines.
    if (name.rfind("Tevra_", 0) == 0 || name.rfind("longperiod_", 0) == 0) continue;
    if (name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
      names.push_back(e.path().string());
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> PanelTest::Packets() {
  std::vector<std::string> packets;
  char buf[2048];
  for (;;) {
    const ssize_t n = ::recv(udpSocket_, buf, sizeof buf, MSG_DONTWAIT);
    if (n < 0) break;
    packets.push_back(Cp932ToUtf8(std::string(buf, static_cast<std::size_t>(n))));
  }
  return packets;
}

}  // namespace tevra::test
