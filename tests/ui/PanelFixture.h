#pragma once
// The panel's windows in a scratch working directory, with the recording seam, a sensor on a
// pseudo-terminal that sends frames only while the panel waits or when told, and a UDP listener
// on loopback for the packets.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/RecordingPlatform.h"
#include "sensor/Pty.h"
#include "support/ScratchDir.h"
#include "ui/dialogs/Alarm_form.h"
#include "ui/dialogs/Ini_form.h"
#include "ui/kit/PanelWindows.h"
#include "ui/dialogs/Portset.h"
#include "ui/panel/Tevra_form.h"
#include "ui/views/Unit4.h"
#include "ui/views/Unit5.h"

namespace tevra::test {

// Frames of a sensor at rest with a swing of `SwingGal` on X (and 0.8 of it on Y), 2 Hz unless told.
class TFrameSource {
 public:
  double SwingGal = 0.0;
  double SwingSeconds = 0.5;
  std::string Next(int frames);

 private:
  long long n_ = 0;
};

struct TPanelSetup {
  std::string SensorId = "TEST01";
  int AlarmKind = 1;
  double AlarmIntensity = 3.0;
  int AlarmAcceleration = 20;
  bool SaveEventLog = true;
  bool SaveDetailData = true;
  bool SaveNoiseOnAlarm = false;
  bool UseUdp = true;
  bool AutoStart = false;
  std::string EventFolder = {};   // "" = the working directory
  std::string DetailFolder = {};  // "" = the working directory
};

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the two INI files and creates the windows in the program's order.
  void CreatePanel(const TPanelSetup& setup = {});
  void DestroyPanel();
  // Creates it with automatic start on and counts down to the start.
  void StartAutomatically(TPanelSetup setup = {});
  // Starts measuring with a sensor that sends while the panel waits.
  void Start();
  // One tick with `frames` new frames (0.01 s of data each); the clocks move by the data's time,
  // at least 100 ms.
  void Tick(int frames = 10);
  // Ticks until `done` holds, at most `maxTicks`; false when it never did.
  template <typename F>
  bool TickUntil(F done, int maxTicks = 400, int frames = 50) {
    for (int i = 0; i < maxTicks; ++i) {
      if (done()) return true;
      Tick(frames);
    }
    return done();
  }
  // One try of the waiting for the sensor, through to its outcome (its check runs on a worker);
  // how long the try held the window's thread before it went on.
  std::chrono::steady_clock::duration TryReconnect();
  // The sensor goes away (its terminal closes and the link to it vanishes), and comes back on a
  // new terminal behind the same link, as a USB adapter under /dev/serial/by-id does.
  void UnplugSensor();
  void ReplugSensor();
  // Writes to the sensor line and waits until the panel's end can read all of it.
  void Send(const std::string& bytes);
  std::vector<std::string> ListLines() const;
  // "TevraPanel.ini" as it is on disk.
  std::string Ini() const;
  std::string FileUtf8(const std::string& path) const;
  std::vector<std::string> FilesMatching(const std::string& suffix, const std::string& folder = {}) const;
  // Datagrams received so far, decoded to UTF-8.
  std::vector<std::string> Packets();

  TScratchDir scratch_{TScratchDir::Enter};
  const std::string dir_ = scratch_.Path;
  TRecordingPlatform platform_;
  TPty pty_;
  std::string sensorLink_;  // the panel opens the sensor by this link
  int observer_ = -1;       // a second handle on the line, to see when sent bytes have arrived
  TFrameSource source_;
  bool sensorSends_ = true;
  int udpPort_ = 0;
  int udpSocket_ = -1;
  TPanelWindows windows_;
  std::unique_ptr<TForm4> form4_;
  std::unique_ptr<TComPortForm> comPort_;
  std::unique_ptr<TForm1> form1_;
  std::unique_ptr<TForm2> form2_;
  std::unique_ptr<TForm3> form3_;
  std::unique_ptr<TForm5> form5_;
  TForm1* panel_ = nullptr;
};

// A settings dialog over its part of the panel (`Part`, a member of TForm1), made afresh by Open().
template <class Form, auto Part>
class PanelFormTest : public PanelTest {
 protected:
  // A value OK must refuse, and a word of the box that says why.
  struct TRow {
    QLineEdit* Form::*edit;
    std::string text;
    const char* message;
  };

  void Open() {
    form_ = std::make_unique<Form>(platform_, *(panel_->*Part));
    form_->show();
  }
  // Clicks OK with no box recorded before, so that the boxes recorded are OK's own.
  void ClickOk() {
    platform_.Calls.clear();
    QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  }
  std::unique_ptr<Form> form_;
};

}  // namespace tevra::test
