#pragma once
// The acceleration graph window: three strip charts (X, Y, Z, top to bottom) that scroll from
// right to left, newest sample at the right edge. It only displays and stores nothing.
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QWidget>
#include <array>
#include <vector>

#include "core/AccelSample.h"
#include "ui/views/Unit5Chart.h"

namespace tevra {

class TForm5 : public QWidget {
  Q_OBJECT
 public:
  static constexpr int ChartWidth = 800;
  static constexpr int ChartHeight = 100;
  static constexpr int SpareColumns = 10;

  explicit TForm5(QWidget* parent = nullptr);

  // Appends a batch of samples in gal (offset removed); nothing happens while the window is hidden.
  // The screen is updated once per batch, also for an empty one.
  void PlotSamples(const TAccelSample* samples, int count);
  // Clears the charts and takes the scale and scroll speed from the combo boxes.
  void ResetGraph();

  void ComboBox1Change() { ResetGraph(); }
  void ComboBox1Click() { ResetGraph(); }
  void ComboBox2Click() { ResetGraph(); }

  // Controls.
  std::array<QFrame*, 3> Panels;
  TChartImage* Image_X;
  TChartImage* Image_Y;
  TChartImage* Image_Z;
  QLabel* Label1;                     // "0" of X
  QLabel* Label2;                     // upper end of X
  QLabel* Label3;                     // lower end of X
  QLabel* Label4;                     // upper end of Y
  QLabel* Label5;                     // "0" of Y
  QLabel* Label6;                     // lower end of Y
  QLabel* Label7;                     // upper end of Z
  QLabel* Label8;                     // "0" of Z
  QLabel* Label9;                     // lower end of Z
  QLabel* Label10;                    // "縦軸スケール"
  QLabel* Label11;                    // "gal"
  QLabel* Label12;                    // "0[sec]"
  std::array<QLabel*, 8> TimeLabels;  // Label13 ... Label20, right to left
  QLabel* Label21;                    // "スクロール速度"
  QLabel* Label22;                    // "x100Pixel/sec"
  QComboBox* ComboBox1;               // vertical scale, gal at the upper end
  QComboBox* ComboBox2;               // scroll speed, samples per column

  // State.
  std::array<double, 3> LastY{};  // the row where each trace last ended
  std::array<TTraceBitmap, 3> Trace{TTraceBitmap(ChartWidth + SpareColumns, ChartHeight),
                                    TTraceBitmap(ChartWidth + SpareColumns, ChartHeight),
                                    TTraceBitmap(ChartWidth + SpareColumns, ChartHeight)};
  int H = ChartHeight;
  int W = ChartWidth;
  int SampleCounter = 0;
  int ColumnEvery = 1;
  int ScaleGal = 10;

 private:
  void FormCreate();
  void BuildControls();
  void UpdateAxisLabels();
  void CopyToScreen();

  std::array<TChartImage*, 3> images_{};
  std::vector<std::array<double, 3>> columns_;  // the new rows of one batch's columns
};

}  // namespace tevra
