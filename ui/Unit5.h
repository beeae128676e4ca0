#pragma once
// The acceleration graph window: three scrolling traces of the samples of every tick.
#include <QWidget>

#include "core/AccelSample.h"

namespace tevra {

class TForm5 : public QWidget {
  Q_OBJECT
 public:
  explicit TForm5(QWidget* parent = nullptr);

  // The samples of one tick, gal; nothing is drawn while the window is hidden.
  void PlotSamples(const TAccelSample* samples, int count);
  // The traces start afresh.
  void ResetGraph();

  int PlottedSamples = 0;
};

}  // namespace tevra
