// tevra_panel: creates the windows in their fixed order and runs the message loop.
#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QSocketNotifier>
#include <clocale>
#include <exception>
#include <memory>

#include "app/DisplayLoss.h"
#include "app/SessionEnd.h"
#include "base/AtomicFile.h"
#include "base/HeapPolicy.h"
#include "core/Tevra.h"
#include "settings/SettingsFile.h"
#include "sensor/ComPort.h"
#include "ui/dialogs/Alarm_form.h"
#include "ui/dialogs/Ini_form.h"
#include "ui/dialogs/Portset.h"
#include "ui/kit/QtPlatform.h"
#include "ui/panel/Tevra_form.h"
#include "ui/views/Unit4.h"
#include "ui/views/Unit5.h"

namespace {

tevra::TForm1* g_panel = nullptr;

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

  std::unique_ptr<TForm4> form4;
  std::unique_ptr<TComPortForm> comPortForm;
  std::unique_ptr<TForm1> form1;
  std::unique_ptr<TForm2> form2;
  std::unique_ptr<TForm3> form3;
  std::unique_ptr<TForm5> form5;
  // The display's loss ends the program as a stop signal does: the close flow saves the settings and
  // finishes the records, and the windows' end (the calculator's) saves the baseline.
  const TDisplayLossEnd displayLoss([&] {
    if (form1) form1->OnQueryEndSession();
    g_panel = nullptr;
    form5.reset();
    form3.reset();
    form2.reset();
    form1.reset();
    comPortForm.reset();
    form4.reset();
  });

  form4 = std::make_unique<TForm4>();
  windows.Form4 = form4.get();
  comPortForm = std::make_unique<TComPortForm>();
  windows.ComPortForm = comPortForm.get();
  form1 = std::make_unique<TForm1>(platform, windows);
  windows.Form1 = form1.get();
  platform.SetMainWindow(form1.get());
  platform.OnTrayActivated = [panel = form1.get()](QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger) panel->OnTrayMessage(TForm1::kLeftButtonUp);
    if (reason == QSystemTrayIcon::Context) panel->OnTrayMessage(TForm1::kRightButtonUp);
  };
  g_panel = form1.get();
  form1->FormCreate();
  form2 = std::make_unique<TForm2>(platform, windows);
  windows.Form2 = form2.get();
  form3 = std::make_unique<TForm3>(windows);
  windows.Form3 = form3.get();
  form5 = std::make_unique<TForm5>();
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
  try {
    return RunPanel(app);
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("tevra_panel"), QString::fromLocal8Bit(e.what()));
  }
  return 0;
}
