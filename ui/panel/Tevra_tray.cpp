// The notification-area icon and the panel's visibility.
#include <QCursor>

#include "base/Cp932.h"
#include "base/TextFormat.h"
#include "ui/dialogs/Ini_form.h"
#include "ui/panel/Tevra_form.h"
#include "ui/views/Unit5.h"

namespace tevra {
namespace {

constexpr int kTrayAttempts = 40;
constexpr int kTrayRetryMs = 100;
constexpr std::size_t kTipMaxBytes = 127;  // the icon's tip field holds 127 CP932 bytes

}  // namespace

void TForm1::RegisterTrayIcon() {
  TipText = StateTip("計測停止中");
  for (int attempt = 0; attempt < kTrayAttempts && !SessionEnding; ++attempt) {
    if (platform_.TrayAdd(CutUtf8ToCp932Bytes(TipText, kTipMaxBytes))) {
      TrayRegistered = true;
      return;
    }
    // The pause runs the event loop: a notification area becomes known to Qt only through it.
    platform_.SleepWithEvents(kTrayRetryMs);
  }
  // Many desktops have no notification area: run on without the icon, and show it when one
  // appears; until then the panel minimizes instead of hiding, so it can always be found again.
  trayRetry_.start();
}

void TForm1::RetryTrayIcon() {
  if (platform_.TrayAdd(CutUtf8ToCp932Bytes(TipText, kTipMaxBytes))) {
    TrayRegistered = true;
    trayRetry_.stop();
  }
}

void TForm1::RemoveTrayIcon() {
  trayRetry_.stop();
  if (TrayRegistered) platform_.TrayDelete();
  TrayRegistered = false;
}

void TForm1::SendTipUpdate() {
  if (TrayRegistered) platform_.TrayModify(CutUtf8ToCp932Bytes(TipText, kTipMaxBytes));
}

void TForm1::OnTrayMessage(int mouseMessage) {
  if (windows_.Form2 && windows_.Form2->isVisible()) return;
  if (mouseMessage == kLeftButtonUp) {
    if (PanelVisible()) {
      HidePanel();
    } else {
      ShowPanel();
    }
  } else if (mouseMessage == kRightButtonUp) {
    activateWindow();
    PopupMenu1->popup(QCursor::pos());
  }
}

bool TForm1::PanelVisible() const {
  return isVisible() && !isMinimized();
}

void TForm1::ShowPanel() {
  if (isMinimized()) {
    showNormal();
  } else {
    show();
  }
  raise();
  activateWindow();
}

void TForm1::HidePanel() {
  // Decided now: a notification area can go away long after the icon was added.
  if (TrayRegistered && platform_.TrayVisible()) {
    hide();
  } else {
    showMinimized();
  }
  if (windows_.Form5) windows_.Form5->hide();
}

void TForm1::N0001Click() {
  ShowPanel();
}

}  // namespace tevra
