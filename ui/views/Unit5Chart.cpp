#include "ui/views/Unit5Chart.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace tevra {

TTraceBitmap::TTraceBitmap(int width, int height) : image_(width, height, QImage::Format_RGB32) {
  image_.fill(White);
}

void TTraceBitmap::Clear(int chartWidth) {
  image_.fill(White);
  const int middle = image_.height() / 2;
  for (int x = 0; x < std::min(chartWidth, image_.width()); ++x) SetPixel(x, middle, Black);
}

void TTraceBitmap::Scroll(int columns) {
  const int width = image_.width();
  if (columns <= 0) return;
  const int kept = std::max(0, width - columns);
  for (int y = 0; y < image_.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    if (kept > 0) std::memmove(row, row + columns, static_cast<std::size_t>(kept) * sizeof(QRgb));
    std::fill(row + kept, row + width, White);
  }
}

void TTraceBitmap::SetPixel(int x, int y, QRgb colour) {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
  reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = colour;
}

void TTraceBitmap::DrawSegment(int x, int y0, int y1) {
  if (x + 1 < 0 || x >= image_.width()) return;
  const int steps = std::abs(y1 - y0);
  if (steps == 0) {
    SetPixel(x, y0, Blue);
    SetPixel(x + 1, y1, Blue);
    return;
  }
  // A steep line one column wide: the rows nearer y0 in the first column, the rest in the second.
  // Only the steps that fall inside the picture are visited, however far off the ends lie.
  const int direction = y1 > y0 ? 1 : -1;
  const int height = image_.height();
  const long long firstRow = direction > 0 ? std::max(0, y0) : std::min(height - 1, y0);
  const long long lastRow = direction > 0 ? std::min(height - 1, y1) : std::max(0, y1);
  if ((lastRow - firstRow) * direction < 0) return;
  for (long long t = (firstRow - y0) * direction; t <= (lastRow - y0) * direction; ++t) {
    const int y = static_cast<int>(y0 + direction * t);
    SetPixel(2 * t < steps ? x : x + 1, y, Blue);
  }
}

TChartImage::TChartImage(int width, int height, QWidget* parent)
    : QWidget(parent), picture_(width, height, QImage::Format_RGB32) {
  picture_.fill(TTraceBitmap::White);
  setFixedSize(width, height);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TChartImage::CopyFrom(const QImage& trace) {
  const int rows = std::min(picture_.height(), trace.height());
  const std::size_t bytes =
      static_cast<std::size_t>(std::min(picture_.width(), trace.width())) * sizeof(QRgb);
  for (int y = 0; y < rows; ++y) std::memcpy(picture_.scanLine(y), trace.constScanLine(y), bytes);
  update();
}

void TChartImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture_);
}

}  // namespace tevra
