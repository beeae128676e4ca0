#include "ui/views/Unit4.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QVBoxLayout>

#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

QLabel* MakeLabel(const QString& text, int pixelSize, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont font = label->font();
  font.setPixelSize(pixelSize);
  font.setBold(true);
  label->setFont(font);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

TForm4::TForm4(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setWindowTitle(QStringLiteral("計測震度"));
  setWindowIcon(ApplicationIcon());
  setFixedSize(398, 246);
  Label1 = MakeLabel(QStringLiteral("VXT-RRR"), 48, this);
  Label2 = MakeLabel(QStringLiteral("震度計測ソフト"), 48, this);
  Label3 = MakeLabel(QStringLiteral("tevra_panel.exe"), 32, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Label1);
  layout->addWidget(Label2);
  layout->addWidget(Label3);

  CentreOnScreen(this);
  Timer1.setInterval(1500);
  Timer1.setSingleShot(true);
  connect(&Timer1, &QTimer::timeout, this, &TForm4::Timer1Timer);
}

void TForm4::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Timer1.start();
}

void TForm4::Timer1Timer() {
  Timer1.stop();
  hide();
  if (ShowMainWindow) ShowMainWindow();
}

void TForm4::closeEvent(QCloseEvent* event) {
  event->accept();
  // quit() would ask every window to close and could be refused; the panel has decided already.
  QCoreApplication::exit(0);
}

}  // namespace tevra
