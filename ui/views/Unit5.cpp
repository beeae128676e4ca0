#include "ui/views/Unit5.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

constexpr int kChartLeft = 58;  // room for the scale labels
constexpr int kChartTop = 10;
constexpr int kChartGap = 10;
constexpr int kPanelBorder = 1;

// Rows far outside the chart are never drawn; keeping them bounded keeps the conversion defined.
// A value that is no number is drawn off the top.
int Row(double y) {
  if (std::isnan(y)) return -1000000;
  return static_cast<int>(std::clamp(y, -1.0e6, 1.0e6));
}

QLabel* NewLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->adjustSize();
  return label;
}

// Places `label` with its text right-aligned at `right` and vertically centred on `y`.
void PlaceRightOf(QLabel* label, int right, int y) {
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const int height = label->sizeHint().height();
  label->setGeometry(right - 52, y - height / 2, 50, height);
}

}  // namespace

TForm5::TForm5(QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("加速度グラフ"));
  setWindowIcon(ApplicationIcon());
  BuildControls();
  FormCreate();
  CentreOnScreen(this);
}

void TForm5::BuildControls() {
  const int panelHeight = ChartHeight + 2 * kPanelBorder;
  const int panelWidth = ChartWidth + 2 * kPanelBorder;
  std::array<QLabel*, 3> upper, middle, lower;
  for (int axis = 0; axis < 3; ++axis) {
    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(kPanelBorder);
    const int top = kChartTop + axis * (panelHeight + kChartGap);
    panel->setGeometry(kChartLeft, top, panelWidth, panelHeight);
    images_[axis] = new TChartImage(ChartWidth, ChartHeight, panel);
    images_[axis]->move(kPanelBorder, kPanelBorder);
    Panels[axis] = panel;
    upper[axis] = new QLabel(this);
    middle[axis] = new QLabel(QStringLiteral("0"), this);
    lower[axis] = new QLabel(this);
    PlaceRightOf(upper[axis], kChartLeft, top + kPanelBorder + 6);
    PlaceRightOf(middle[axis], kChartLeft, top + kPanelBorder + ChartHeight / 2);
    PlaceRightOf(lower[axis], kChartLeft, top + kPanelBorder + ChartHeight - 6);
  }
  Image_X = images_[0];
  Image_Y = images_[1];
  Image_Z = images_[2];
  Label2 = upper[0], Label1 = middle[0], Label3 = lower[0];
  Label4 = upper[1], Label5 = middle[1], Label6 = lower[1];
  Label7 = upper[2], Label8 = middle[2], Label9 = lower[2];

  // Time marks every 100 columns, right to left, under the charts' right end first.
  const int marksTop = kChartTop + 3 * panelHeight + 2 * kChartGap + 2;
  const int chartRight = kChartLeft + kPanelBorder + ChartWidth;
  Label12 = NewLabel(QStringLiteral("0[sec]"), this);
  Label12->move(chartRight - Label12->width() / 2, marksTop);
  for (int i = 0; i < 8; ++i) {
    auto* label = new QLabel(this);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setGeometry(chartRight - 100 * (i + 1) - 25, marksTop, 50, label->sizeHint().height());
    TimeLabels[i] = label;
  }

  const int comboTop = marksTop + Label12->height() + 12;
  Label10 = NewLabel(QStringLiteral("縦軸スケール"), this);
  ComboBox1 = new QComboBox(this);
  ComboBox1->addItems({"5", "10", "20", "50", "100", "200", "500", "1000"});
  ComboBox1->setMinimumContentsLength(4);
  ComboBox1->adjustSize();
  Label11 = NewLabel(QStringLiteral("gal"), this);
  Label21 = NewLabel(QStringLiteral("スクロール速度"), this);
  ComboBox2 = new QComboBox(this);
  ComboBox2->addItems({"1", "2", "5", "10"});
  ComboBox2->setMinimumContentsLength(4);
  ComboBox2->adjustSize();
  Label22 = NewLabel(QStringLiteral("x100Pixel/sec"), this);
  const int rowHeight = ComboBox1->height();
  int x = kChartLeft;
  for (QWidget* w :
       std::initializer_list<QWidget*>{Label10, ComboBox1, Label11, Label21, ComboBox2, Label22}) {
    w->move(x, comboTop + (rowHeight - w->height()) / 2);
    x += w->width() + (w == Label11 ? 40 : 6);
  }
  setFixedSize(chartRight + kPanelBorder + 40, comboTop + rowHeight + 12);

  connect(ComboBox1, &QComboBox::activated, this, &TForm5::ComboBox1Click);
  connect(ComboBox2, &QComboBox::activated, this, &TForm5::ComboBox2Click);
}

void TForm5::FormCreate() {
  ComboBox1->setCurrentIndex(1);  // "10"
  ComboBox2->setCurrentIndex(0);  // "1"
  // Connected after the initial selection, which is no change made by the user.
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, &TForm5::ComboBox1Change);
  H = Image_X->height();
  W = Image_X->width();
  ResetGraph();
}

void TForm5::ResetGraph() {
  SampleCounter = 0;
  ScaleGal = ComboBox1->currentText().toInt();
  ColumnEvery = ComboBox2->currentText().toInt();
  for (auto& trace : Trace) trace.Clear(W);
  LastY.fill(H / 2);
  CopyToScreen();
  UpdateAxisLabels();
}

void TForm5::UpdateAxisLabels() {
  const QString top = QString::number(ScaleGal);
  const QString bottom = QString::number(-ScaleGal);
  for (QLabel* label : {Label2, Label4, Label7}) label->setText(top);
  for (QLabel* label : {Label3, Label6, Label9}) label->setText(bottom);
  for (int i = 0; i < 8; ++i) TimeLabels[i]->setText(QString::number(ColumnEvery * (i + 1)));
}

void TForm5::PlotSamples(const TAccelSample* samples, int count) {
  if (!isVisible()) return;
  if (!samples) count = 0;
  // Gal per pixel row; the 0.001 keeps it above zero.
  const double divisor = ComboBox1->currentText().toDouble() * 0.02 + 0.001;
  const double middle = H / 2;
  columns_.clear();
  for (int i = 0; i < count; ++i) {
    if (SampleCounter == ColumnEvery) {
      SampleCounter = 0;
      const TAccelSample& s = samples[i];
      columns_.push_back({middle - s.X / divisor, middle - s.Y / divisor, middle - s.Z / divisor});
    }
    ++SampleCounter;
  }
  // One scroll for the whole batch, then each column at the place where the per-column scroll
  // would have left it: the same picture for a fraction of the copying.
  const int drawn = static_cast<int>(columns_.size());
  for (auto& trace : Trace) trace.Scroll(drawn);
  for (int j = 0; j < drawn; ++j) {
    const int x = W - 1 - (drawn - 1 - j);
    for (int axis = 0; axis < 3; ++axis) {
      const double newY = columns_[j][axis];
      Trace[axis].DrawSegment(x - 1, Row(LastY[axis]), Row(newY));
      LastY[axis] = newY;
      Trace[axis].SetPixel(x, H / 2, TTraceBitmap::Black);  // the centre line reaches the new column
    }
  }
  CopyToScreen();
}

void TForm5::CopyToScreen() {
  for (int axis = 0; axis < 3; ++axis) images_[axis]->CopyFrom(Trace[axis].Image());
}

}  // namespace tevra
