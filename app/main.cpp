// tevra_panel: creates the windows in their fixed order and runs the message loop.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <clocale>
#include <cstdlib>
#include <exception>
#include <memory>

#include "app/SessionEnd.h"
#include "base/AtomicFile.h"
#include "base/HeapPolicy.h"
#include "core/Tevra.h"
#include "output/SettingsFile.h"
#include "sensor/ComPort.h"
#include "ui/Alarm_form.h"
#include "ui/Ini_form.h"
#include "ui/Portset.h"
#include "ui/QtPlatform.h"
#include "ui/Tevra_form.h"
#include "ui/Unit4.h"
#include "ui/Unit5.h"

namespace {

tevra::TForm1* g_panel = nullptr;

// Qt calls exit() when the display connection is lost: save what the destructors would have.
void SaveOnExit() {
  if (g_panel) g_panel->SaveAll();
}

int RunPanel(QApplication& app) {
  using namespace tevra;
  TQtPlatform platform;
  TPanelWindows windows;

  // Watched before any window exists: a start-up box or the search for a notification area must
  // not hold a stop signal.
  QSocketNotifier sessionEnd(SessionEndReadFd(), QSocketNotifier::Read);
  QObject::connect(&sessionEnd, &QSocketNotifier::activated, &app, [] {
    DrainSessionEndPipe();
    if (g_panel) {
      g_panel->OnQueryEndSession();
    } else {
      QCoreApplication::exit(0);
    }
  });

  // Temporary files of a save that a kill interrupted are never finished: they go.
  for (const char* name : {ComPort::DefaultFileName, kSettingsFileName, Tevra::BaselineFileName}) {
    RemoveInterruptedWrites(InWorkingDirectory(name));
  }

  auto form4 = std::make_unique<TForm4>();
  windows.Form4 = form4.get();
  auto comPortForm = std::make_unique<TComPortForm>();
  windows.ComPortForm = comPortForm.get();
  auto form1 = std::make_unique<TForm1>(platform, windows);
  windows.Form1 = form1.get();
  platform.SetMainWindow(form1.get());
  platform.OnTrayActivated = [panel = form1.get()](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) panel->OnTrayMessage(TForm1::kLeftButtonUp);
    if (reason == QSystemTrayIcon::Context) panel->OnTrayMessage(TForm1::kRightButtonUp);
  };
  g_panel = form1.get();
  form1->FormCreate();
  auto form2 = std::make_unique<TForm2>(platform, windows);
  windows.Form2 = form2.get();
  auto form3 = std::make_unique<TForm3>(windows);
  windows.Form3 = form3.get();
  auto form5 = std::make_unique<TForm5>();
  windows.Form5 = form5.get();

  // The session manager may only be checkpointing: save, but keep running.
  QObject::connect(&app, &QGuiApplication::commitDataRequest, form1.get(),
                   [panel = form1.get()](QSessionManager&) { panel->SaveAll(); });

  form4->ShowMainWindow = [panel = form1.get()] { panel->show(); };
  // A stop signal during the start-up has ended the program already (the main loop would not know).
  if (!form1->SessionEnding) {
    form4->show();
    app.exec();
  }
  // From here on the calculator's destruction writes the baseline.
  g_panel = nullptr;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  tevra::ReturnLargeBuffersToSystem();
  tevra::InstallSessionEndSignals();
  QApplication app(argc, argv);
  // Numbers in files and packets always use a decimal point, whatever the user's locale.
  std::setlocale(LC_NUMERIC, "C");
  QApplication::setQuitOnLastWindowClosed(false);
  QApplication::setWindowIcon(tevra::ApplicationIcon());
  std::atexit(SaveOnExit);
  try {
    return RunPanel(app);
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("tevra_panel"), QString::fromLocal8Bit(e.what()));
  }
  return 0;
}
