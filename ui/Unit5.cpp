#include "ui/Unit5.h"

#include "ui/QtPlatform.h"

namespace tevra {

TForm5::TForm5(QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(QStringLiteral("加速度グラフ"));
  setWindowIcon(ApplicationIcon());
  resize(840, 380);
}

void TForm5::PlotSamples(const TAccelSample*, int count) {
  if (!isVisible()) return;
  PlottedSamples += count;
}

void TForm5::ResetGraph() { PlottedSamples = 0; }

}  // namespace tevra
