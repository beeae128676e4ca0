#include "ui/kit/QtPlatform.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSoundEffect>
#include <QUrl>

#include "ui/kit/Ini_formFolderDialog.h"

// Resources of a static library are registered by hand, outside any namespace.
static void RegisterUiResources() {
  Q_INIT_RESOURCE(ui);
}

namespace tevra {
namespace {

void EnsureResources() {
  static const bool registered = (RegisterUiResources(), true);
  (void)registered;
}

// The texts break lines with "\r" or "\n" as their first platform did; a Qt label wants "\n".
QString DisplayText(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  return s;
}

}  // namespace

QIcon ApplicationIcon() {
  EnsureResources();
  QIcon icon;
  for (int size : {16, 32, 64, 128}) icon.addFile(QStringLiteral(":/tevra/icon_%1.png").arg(size));
  return icon;
}

void CentreOnScreen(QWidget* window) {
  const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  QRect frame = window->frameGeometry();
  frame.moveCenter(screen->availableGeometry().center());
  window->move(frame.topLeft());
}

TQtPlatform::TQtPlatform() {
  EnsureResources();
  sound_ = new QSoundEffect(this);
  sound_->setSource(QUrl(QStringLiteral("qrc:/tevra/alarm.wav")));
}

TQtPlatform::~TQtPlatform() = default;

void TQtPlatform::SleepWithEvents(int ms) {
  QDeadlineTimer deadline(ms);
  while (!deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(deadline.remainingTime()));
  }
}

bool TQtPlatform::MessageBox(const std::string& text, const std::string& title, bool okCancel) {
  QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), DisplayText(text),
                  okCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok, mainWindow_);
  return box.exec() == QMessageBox::Ok;
}

void TQtPlatform::Notice(const std::string& text, const std::string& title, bool error) {
  const QString shown = DisplayText(text);
  if (openNotices_.contains(shown)) return;
  auto* box = error ? new QMessageBox(QMessageBox::Critical, QStringLiteral("エラー"), shown,
                                      QMessageBox::Yes, mainWindow_)
                    : new QMessageBox(QMessageBox::NoIcon, QString::fromStdString(title), shown,
                                      QMessageBox::Ok, mainWindow_);
  box->setAttribute(Qt::WA_DeleteOnClose);
  box->setModal(false);
  openNotices_.insert(shown);
  connect(box, &QObject::destroyed, this, [this, shown] { openNotices_.remove(shown); });
  box->show();
}

bool TQtPlatform::Confirm(const std::string& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), DisplayText(text),
                  QMessageBox::Ok | QMessageBox::Cancel, mainWindow_);
  return box.exec() == QMessageBox::Ok;
}

void TQtPlatform::ErrorDialog(const std::string& text) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("エラー"), DisplayText(text), QMessageBox::Yes,
                  mainWindow_);
  box.exec();
}

std::string TQtPlatform::ChooseFolder(const std::string& start) {
  return ChooseFolderWithCreate(mainWindow_, QString::fromStdString(start)).toStdString();
}

std::string TQtPlatform::ChooseSaveFile(const std::string& suggested, const std::string& filter) {
  return QFileDialog::getSaveFileName(nullptr, QString(), QString::fromStdString(suggested),
                                      QString::fromStdString(filter))
      .toStdString();
}

void TQtPlatform::AlarmSound() {
  // Where no audio device answers, the sound effect reports an error: fall back to the bell.
  if (sound_->status() == QSoundEffect::Error) {
    QApplication::beep();
    return;
  }
  sound_->play();
}

void TQtPlatform::RaiseWindow() {
  if (!mainWindow_) return;
  mainWindow_->showNormal();
  mainWindow_->raise();
  mainWindow_->activateWindow();
}

bool TQtPlatform::TrayAdd(const std::string& tip) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  if (!tray_) {
    tray_ = std::make_unique<QSystemTrayIcon>(ApplicationIcon());
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
      if (OnTrayActivated) OnTrayActivated(r);
    });
  }
  tray_->setToolTip(QString::fromStdString(tip));
  tray_->show();
  return tray_->isVisible();
}

bool TQtPlatform::TrayModify(const std::string& tip) {
  if (!tray_) return false;
  tray_->setToolTip(QString::fromStdString(tip));
  return true;
}

bool TQtPlatform::TrayVisible() {
  return tray_ && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TQtPlatform::TrayMessage(const std::string& title, const std::string& text) {
  if (!TrayVisible()) return;
  tray_->showMessage(QString::fromStdString(title), DisplayText(text), QSystemTrayIcon::Warning);
}

bool TQtPlatform::TrayDelete() {
  if (!tray_) return false;
  tray_->hide();
  return true;
}

}  // namespace tevra
