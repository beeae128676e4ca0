#pragma once
// The pieces of the acceleration graph: a trace bitmap that scrolls left and takes one short line
// segment per column, and the on-screen image that shows a copy of it.
#include <QImage>
#include <QWidget>

namespace tevra {

// One chart's off-screen picture. It is 10 columns wider than the chart, as the scroll brings the
// spare columns in from the right; only white ever lives there.
class TTraceBitmap {
 public:
  static constexpr QRgb White = 0xFFFFFFFF;
  static constexpr QRgb Black = 0xFF000000;
  static constexpr QRgb Blue = 0xFF0000FF;

  TTraceBitmap(int width, int height);

  // White, with the black centre line across the chart's width.
  void Clear(int chartWidth);
  // Moves everything `columns` pixels to the left; white comes in from the right.
  void Scroll(int columns);
  // A blue line from (x, y0) to (x + 1, y1), both ends drawn, rows outside the picture cut off.
  void DrawSegment(int x, int y0, int y1);
  void SetPixel(int x, int y, QRgb colour);

  const QImage& Image() const { return image_; }
  QRgb Pixel(int x, int y) const { return image_.pixel(x, y); }

 private:
  QImage image_;
};

// `Image_X` and its siblings: shows the picture last copied onto it, nothing in between.
class TChartImage : public QWidget {
 public:
  TChartImage(int width, int height, QWidget* parent);

  // Copies the top-left chart-sized part of `trace` and repaints.
  void CopyFrom(const QImage& trace);
  const QImage& Picture() const { return picture_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace tevra
