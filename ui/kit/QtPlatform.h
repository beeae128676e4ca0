#pragma once
// The platform seam on Qt: real clocks, message boxes, the notification-area icon, the alarm
// sound and the raising of the panel.
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

#include "base/PlainPlatform.h"

class QSoundEffect;
class QWidget;

namespace tevra {

class TQtPlatform : public QObject, public TPlainPlatform {
  Q_OBJECT
 public:
  TQtPlatform();
  ~TQtPlatform() override;

  // The window that owns the message boxes and is raised at an alarm.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  // Clicks on the notification-area icon.
  std::function<void(QSystemTrayIcon::ActivationReason)> OnTrayActivated;

  void SleepWithEvents(int ms) override;
  bool MessageBox(const std::string& text, const std::string& title, bool okCancel) override;
  void Notice(const std::string& text, const std::string& title, bool error) override;
  bool Confirm(const std::string& text) override;
  void ErrorDialog(const std::string& text) override;
  std::string ChooseFolder(const std::string& start) override;
  std::string ChooseSaveFile(const std::string& suggested, const std::string& filter) override;
  void AlarmSound() override;
  void RaiseWindow() override;
  bool TrayAdd(const std::string& tip) override;
  bool TrayModify(const std::string& tip) override;
  bool TrayDelete() override;
  bool TrayVisible() override;
  void TrayMessage(const std::string& title, const std::string& text) override;

 private:
  QPointer<QWidget> mainWindow_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  QSoundEffect* sound_ = nullptr;
  QSet<QString> openNotices_;
};

// The application's own icon, in every size it ships.
QIcon ApplicationIcon();

// Places a window in the middle of its screen.
void CentreOnScreen(QWidget* window);

}  // namespace tevra
