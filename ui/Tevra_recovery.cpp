// The automatic recovery: with automatic start on, a measurement stopped by a sensor error and
// every failed start are tried again every 10 s, without a box that waits for a person, until
// measuring runs again or the user stops it.
#include <QApplication>

#include "base/TextFormat.h"
#include "ui/Ini_form.h"
#include "ui/Portset.h"
#include "ui/Tevra_form.h"

namespace tevra {
namespace {

constexpr int kReconnectIntervalMs = 10000;

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
    platform_.TrayMessage(Settings.SensorId + " 再接続待ち", errorText);
    TipText = Printf("%s 再接続待ち", Settings.SensorId.c_str());
    SendTipUpdate();
    ReconnectTimer.start();
  }
  SetMeasuringLook(false);
  UpdateStatusBar();  // the port reopened just now, or failed to
}

void TForm1::EndReconnectWait() {
  awaitingReconnect_ = false;
  ReconnectTimer.stop();
  if (Measuring()) return;
  SetMeasuringLook(false);
  TipText = Printf("%s 計測停止中", Settings.SensorId.c_str());
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
  if (!awaitingReconnect_ || retrying_) return;
  if (!Settings.AutoStart || !Reader) {  // switched off meanwhile: stopped, as without it
    EndReconnectWait();
    return;
  }
  if (RetryBlocked()) return;  // the next period tries
  retrying_ = true;
  retrySensorFailed_ = false;
  // As the automatic start does: the port by its path again (a device that came back under a new
  // node behind the same link), then the sensor check and the start.
  Reader->ReopenPort();
  UpdateStatusBar();
  StartMeasurement();
  retrying_ = false;
  if (Measuring()) {
    EndReconnectWait();
    platform_.TrayMessage(Settings.SensorId + " 計測再開", "計測を再開しました");
  } else if (!retrySensorFailed_) {
    EndReconnectWait();  // not the sensor (the event log would not open): a person must look
  }
}

}  // namespace tevra
