// The automatic recovery: with automatic start on, a measurement stopped by a sensor error and
// every failed start are tried again every 10 s (once a minute for a device that keeps failing its
// check), without a box that waits for a person, until measuring runs again or the user stops it.
// A try's sensor check runs on a worker: the window never waits for the line.
#include <QApplication>

#include "base/TextFormat.h"
#include "ui/dialogs/Ini_form.h"
#include "ui/dialogs/Portset.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {
namespace {

constexpr int kReconnectIntervalMs = 10000;
// A device that is there but keeps failing its check (a wrong baud rate, a broken sensor) is
// tried less often after this many checks in a row.
constexpr int kFailedChecksBeforeSlowRetry = 6;
constexpr int kSlowReconnectIntervalMs = 60000;

}  // namespace

void TForm1::SetUpRecovery() {
  ReconnectTimer.setInterval(kReconnectIntervalMs);
  connect(&ReconnectTimer, &QTimer::timeout, this, &TForm1::ReconnectTimerTimer);
}

void TForm1::WaitForReconnect(const std::string& errorText) {
  retrySensorFailed_ = true;
  if (!awaitingReconnect_) {  // once per outage, not once per try
    awaitingReconnect_ = true;
    LogNoteLine(NowLine(errorText), false);
    platform_.TrayMessage(StateTip("再接続待ち"), errorText);
    TipText = StateTip("再接続待ち");
    SendTipUpdate();
    reconnectTries_ = 0;
    failedChecks_ = 0;
    ReconnectTimer.start(kReconnectIntervalMs);
  }
  SetMeasuringLook(false);
  UpdateStatusBar();  // the port reopened just now, or failed to
}

void TForm1::EndReconnectWait() {
  awaitingReconnect_ = false;
  ReconnectTimer.stop();
  reconnectTries_ = 0;
  Health->ReconnectTries = 0;
  Health->Refresh();
  TellStateChanged();
  if (Measuring()) return;
  SetMeasuringLook(false);
  TipText = StateTip("計測停止中");
  SendTipUpdate();
}

bool TForm1::RetryBlocked() const {
  if (QApplication::activeModalWidget()) return true;
  const QWidget* dialogs[] = {windows_.Form2, windows_.ComPortForm};
  for (const QWidget* dialog : dialogs) {
    if (dialog && dialog->isVisible()) return true;
  }
  return false;
}

void TForm1::ReconnectTimerTimer() {
  if (!awaitingReconnect_ || retrying_ || RetryRunning()) return;
  if (!Settings.AutoStart || !Reader) {  // switched off meanwhile: stopped, as without it
    EndReconnectWait();
    return;
  }
  if (RetryBlocked()) return;  // the next period tries
  Health->ReconnectTries = ++reconnectTries_;
  Health->Refresh();
  // As the automatic start does: the port by its path again (a device that came back under a new
  // node behind the same link), then the sensor check and the start.
  Reader->ReopenPort();
  UpdateStatusBar();
  if (!PortReady()) {  // no device: the short period finds a replugged adapter at once
    failedChecks_ = 0;
    ReconnectTimer.setInterval(kReconnectIntervalMs);
    return;
  }
  // The check waits for the line for up to seconds: off the window's thread.
  retryTask_.Run([this] { return ReadySensor(); }, [this](int status) { FinishRetry(status); });
}

void TForm1::FinishRetry(int sensorStatus) {
  // Stopped by the user, switched off or under a dialog meanwhile: the next period decides.
  if (!awaitingReconnect_ || !Settings.AutoStart || RetryBlocked()) return;
  retrying_ = true;
  retrySensorFailed_ = false;
  CompleteStart(sensorStatus);
  retrying_ = false;
  if (Measuring()) {
    EndReconnectWait();
    platform_.TrayMessage(Settings.SensorId + " 計測再開", "計測を再開しました");
  } else if (!retrySensorFailed_) {
    EndReconnectWait();  // not the sensor: a person must look
  } else if (++failedChecks_ >= kFailedChecksBeforeSlowRetry) {
    ReconnectTimer.setInterval(kSlowReconnectIntervalMs);
  }
}

}  // namespace tevra
