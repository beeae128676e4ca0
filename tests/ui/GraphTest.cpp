// The acceleration graph: where samples land on the charts, how many columns a batch draws, the
// clearing on a combo-box change, and its life alongside the panel.
#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <limits>
#include <vector>

#include "ui/PanelFixture.h"
#include "ui/views/Unit5.h"

namespace tevra::test {
namespace {

constexpr int W = TForm5::ChartWidth;
constexpr int H = TForm5::ChartHeight;

std::vector<TAccelSample> Constant(int n, double x, double y, double z) {
  return std::vector<TAccelSample>(static_cast<std::size_t>(n), TAccelSample{x, y, z});
}

// A wandering signal that crosses the centre line and leaves the chart now and then.
std::vector<TAccelSample> Wave(int n) {
  std::vector<TAccelSample> s;
  for (int i = 0; i < n; ++i) {
    const double t = i / 100.0;
    s.push_back({14 * std::sin(7 * t), 9 * std::cos(3 * t) + 2, (i % 37) - 18.0});
  }
  return s;
}

std::vector<int> BlueRows(const TTraceBitmap& trace, int x) {
  std::vector<int> rows;
  for (int y = 0; y < H; ++y) {
    if (trace.Pixel(x, y) == TTraceBitmap::Blue) rows.push_back(y);
  }
  return rows;
}

int BlueColumnsInRow(const TTraceBitmap& trace, int y) {
  int n = 0;
  for (int x = 0; x < W; ++x) n += trace.Pixel(x, y) == TTraceBitmap::Blue;
  return n;
}

bool IsClear(const TTraceBitmap& trace) {
  for (int y = 0; y < H; ++y) {
    for (int x = 0; x < W; ++x) {
      const QRgb expected = y == H / 2 ? TTraceBitmap::Black : TTraceBitmap::White;
      if (trace.Pixel(x, y) != expected) return false;
    }
  }
  return true;
}

bool ScreenShowsTrace(const TChartImage& image, const TTraceBitmap& trace) {
  return image.Picture() == trace.Image().copy(0, 0, W, H);
}

class GraphTest : public ::testing::Test {
 protected:
  void SetUp() override { form_.show(); }
  void Plot(const std::vector<TAccelSample>& s) { form_.PlotSamples(s.data(), static_cast<int>(s.size())); }
  TForm5 form_;
};

TEST_F(GraphTest, AtScaleTenTenGalIsTheTopRowMinusTenTheBottomAndZeroTheCentre) {
  EXPECT_EQ(form_.windowTitle().toStdString(), "加速度グラフ");
  EXPECT_EQ(form_.ComboBox1->currentText(), "10");
  EXPECT_EQ(form_.Image_X->size(), QSize(W, H));
  EXPECT_EQ(form_.Label2->text(), "10");
  EXPECT_EQ(form_.Label9->text(), "-10");
  Plot(Constant(20, 10.0, -10.0, 0.0));
  for (int x = W - 18; x < W; ++x) {
    EXPECT_EQ(BlueRows(form_.Trace[0], x), std::vector<int>{0}) << "column " << x;
    EXPECT_EQ(BlueRows(form_.Trace[1], x), std::vector<int>{99}) << "column " << x;
  }
  // Zero runs along the centre line; the newest column keeps the line's black.
  EXPECT_EQ(BlueRows(form_.Trace[2], W - 2), std::vector<int>{50});
  EXPECT_EQ(form_.Trace[2].Pixel(W - 1, 50), TTraceBitmap::Black);
  // The jump from the centre to the top is one connected line over two columns.
  const std::vector<int> first = BlueRows(form_.Trace[0], W - 20);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first.front(), 26);
  EXPECT_EQ(first.back(), 50);
  EXPECT_EQ(BlueColumnsInRow(form_.Trace[0], 0), 19);
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_TRUE(
        ScreenShowsTrace(*std::array{form_.Image_X, form_.Image_Y, form_.Image_Z}[axis], form_.Trace[axis]));
  }
}

TEST_F(GraphTest, ScrollOneDrawsEverySampleAfterTheFirstAndTenEveryTenth) {
  Plot(Constant(1, 10.0, 0.0, 0.0));
  EXPECT_TRUE(IsClear(form_.Trace[0])) << "the first sample after a reset is skipped";
  Plot(Constant(1, 10.0, 0.0, 0.0));
  EXPECT_EQ(BlueColumnsInRow(form_.Trace[0], 0), 1);
  Plot(Constant(5, 10.0, 0.0, 0.0));
  EXPECT_EQ(BlueColumnsInRow(form_.Trace[0], 0), 6);

  QTest::keyClick(form_.ComboBox2, Qt::Key_End);  // "10"
  ASSERT_EQ(form_.ColumnEvery, 10);
  EXPECT_EQ(form_.TimeLabels[0]->text(), "10");
  EXPECT_EQ(form_.TimeLabels[6]->text(), "70");
  EXPECT_EQ(form_.TimeLabels[7]->text(), "80");
  // The counter carries from batch to batch: 21 samples in batches of 3 give two columns.
  for (int i = 0; i < 7; ++i) Plot(Constant(3, 10.0, 0.0, 0.0));
  EXPECT_EQ(BlueColumnsInRow(form_.Trace[0], 0), 2);
  EXPECT_EQ(form_.SampleCounter, 1);
}

TEST_F(GraphTest, BatchesOfAnySizeDrawTheSamePicture) {
  TForm5 single;
  single.show();
  const auto wave = Wave(1700);
  for (const TAccelSample& s : wave) single.PlotSamples(&s, 1);
  Plot(std::vector<TAccelSample>(wave.begin(), wave.begin() + 650));
  Plot(std::vector<TAccelSample>(wave.begin() + 650, wave.end()));
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_TRUE(single.Trace[axis].Image() == form_.Trace[axis].Image()) << "axis " << axis;
    EXPECT_EQ(single.LastY[axis], form_.LastY[axis]);
  }
  // More columns than the chart is wide in one batch: only the newest remain.
  TForm5 flood;
  flood.show();
  const auto many = Wave(5000);
  flood.PlotSamples(many.data(), static_cast<int>(many.size()));
  for (const TAccelSample& s : many) single.PlotSamples(&s, 1);
  EXPECT_TRUE(single.Trace[0].Image() == flood.Trace[0].Image());
}

TEST_F(GraphTest, ChangingEitherComboBoxClearsTheChartsAndRestartsTheCount) {
  Plot(Wave(300));
  ASSERT_FALSE(IsClear(form_.Trace[0]));
  QTest::keyClick(form_.ComboBox1, Qt::Key_Down);  // "20"
  EXPECT_EQ(form_.ScaleGal, 20);
  EXPECT_EQ(form_.SampleCounter, 0);
  for (int axis = 0; axis < 3; ++axis) EXPECT_TRUE(IsClear(form_.Trace[axis])) << "axis " << axis;
  EXPECT_TRUE(ScreenShowsTrace(*form_.Image_Y, form_.Trace[1]));
  EXPECT_EQ(form_.Label4->text(), "20");
  EXPECT_EQ(form_.Label6->text(), "-20");
  EXPECT_EQ(form_.LastY[0], 50.0);
  Plot(Constant(2, 20.0, 0.0, 0.0));
  EXPECT_EQ(BlueRows(form_.Trace[0], W - 1),
            (std::vector<int>{0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                              13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25}));

  Plot(Wave(300));
  QTest::keyClick(form_.ComboBox2, Qt::Key_Down);  // "2"
  EXPECT_EQ(form_.ColumnEvery, 2);
  EXPECT_EQ(form_.SampleCounter, 0);
  EXPECT_TRUE(IsClear(form_.Trace[2]));
  // Choosing the item already selected is a change as well.
  Plot(Wave(300));
  form_.ComboBox2->activated(form_.ComboBox2->currentIndex());
  EXPECT_TRUE(IsClear(form_.Trace[2]));
}

TEST_F(GraphTest, HiddenWindowDrawsNothingAndAnEmptyBatchStillUpdatesTheScreen) {
  Plot(Wave(50));
  const QImage before = form_.Trace[0].Image();
  const int counter = form_.SampleCounter;
  form_.hide();
  Plot(Wave(200));
  EXPECT_TRUE(form_.Trace[0].Image() == before);
  EXPECT_EQ(form_.SampleCounter, counter);

  form_.show();
  form_.Trace[1].SetPixel(10, 10, TTraceBitmap::Blue);
  EXPECT_FALSE(ScreenShowsTrace(*form_.Image_Y, form_.Trace[1])) << "the screen changes once per batch";
  form_.PlotSamples(nullptr, 0);
  EXPECT_TRUE(ScreenShowsTrace(*form_.Image_Y, form_.Trace[1]));
  form_.PlotSamples(nullptr, 5);
  form_.PlotSamples(Wave(1).data(), -3);
  EXPECT_EQ(form_.SampleCounter, counter);
}

TEST_F(GraphTest, ValuesFarOffTheChartAreCutAtItsEdge) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Plot({{0, 0, 0}, {1e12, -1e12, 0}, {0, 0, 0}, {-inf, inf, nan}, {0, 0, 0}});
  // The spike leaves the chart from the centre in one column and comes back in the next but one;
  // the halves of the lines beyond the edge are cut off.
  std::vector<int> upper(51), lower(50);
  for (int y = 0; y <= 50; ++y) upper[static_cast<std::size_t>(y)] = y;
  for (int y = 50; y < H; ++y) lower[static_cast<std::size_t>(y - 50)] = y;
  EXPECT_EQ(BlueRows(form_.Trace[0], W - 5), upper);
  EXPECT_TRUE(BlueRows(form_.Trace[0], W - 4).empty());
  EXPECT_EQ(BlueRows(form_.Trace[0], W - 3).front(), 0);
  EXPECT_EQ(BlueRows(form_.Trace[1], W - 5), lower);
  EXPECT_EQ(BlueRows(form_.Trace[1], W - 3).back(), 99);
  // Infinite and no-number samples are drawn off the chart as well.
  EXPECT_EQ(BlueRows(form_.Trace[0], W - 1).back(), 99);
  EXPECT_EQ(BlueRows(form_.Trace[1], W - 1).front(), 0);
  EXPECT_EQ(BlueRows(form_.Trace[2], W - 1).front(), 0);
}

TEST_F(PanelTest, GraphShowsTheMeasurementStartsAfreshAndHidesWithThePanel) {
  CreatePanel();
  TForm5& graph = *form5_;
  EXPECT_FALSE(graph.isVisible());
  panel_->G1Click();
  EXPECT_TRUE(graph.isVisible());
  EXPECT_FALSE(graph.isModal());
  source_.SwingGal = 30.0;
  Start();
  for (int i = 0; i < 20; ++i) Tick(10);
  EXPECT_FALSE(IsClear(graph.Trace[0]));
  EXPECT_EQ(graph.SampleCounter, 1) << "one column per sample at the start-up scroll speed";

  panel_->N1Click();
  panel_->N8Click();
  ASSERT_TRUE(panel_->Measuring());
  EXPECT_TRUE(IsClear(graph.Trace[0])) << "a measurement start clears the charts";
  Tick(10);
  panel_->HidePanel();
  EXPECT_FALSE(graph.isVisible());
  const QImage hidden = graph.Trace[0].Image();
  for (int i = 0; i < 5; ++i) Tick(10);
  EXPECT_TRUE(graph.Trace[0].Image() == hidden);
  EXPECT_TRUE(panel_->Measuring());
}

}  // namespace
}  // namespace tevra::test
