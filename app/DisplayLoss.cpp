#include "app/DisplayLoss.h"

#include <QCoreApplication>
#include <QString>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace tevra {
namespace {

QtMessageHandler previousHandler = nullptr;
std::function<void()> endProgram;
bool ending = false;

bool OnGuiThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}

void OnMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (previousHandler) previousHandler(type, context, text);
  // Both of Qt's X11 warnings ("... broke (error 1)" and, through Xlib, "... broke: I/O error").
  if (ending || !endProgram || !text.startsWith(QLatin1String("The X11 connection broke")) || !OnGuiThread())
    return;
  ending = true;
  endProgram();
  std::fflush(nullptr);
  std::_Exit(0);
}

}  // namespace

TDisplayLossEnd::TDisplayLossEnd(std::function<void()> end) {
  endProgram = std::move(end);
  if (!previousHandler) previousHandler = qInstallMessageHandler(OnMessage);
}

TDisplayLossEnd::~TDisplayLossEnd() {
  endProgram = nullptr;
}

}  // namespace tevra
