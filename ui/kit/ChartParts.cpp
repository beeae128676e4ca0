#include "ui/kit/ChartParts.h"

#include <QDateTime>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <algorithm>

namespace tevra {

void AppendDecimated(QLineSeries* series, const std::vector<double>& x, const std::vector<double>& y,
                     int maxBuckets) {
  const std::size_t n = std::min(x.size(), y.size());
  QList<QPointF> points;
  if (maxBuckets <= 0 || n <= static_cast<std::size_t>(2 * maxBuckets)) {
    points.reserve(static_cast<qsizetype>(n));
    for (std::size_t i = 0; i < n; ++i) points.append(QPointF(x[i], y[i]));
  } else {
    points.reserve(2 * maxBuckets);
    for (int b = 0; b < maxBuckets; ++b) {
      const std::size_t from = n * static_cast<std::size_t>(b) / static_cast<std::size_t>(maxBuckets);
      const std::size_t to = n * static_cast<std::size_t>(b + 1) / static_cast<std::size_t>(maxBuckets);
      std::size_t lo = from, hi = from;
      for (std::size_t i = from; i < to; ++i) {
        if (y[i] < y[lo]) lo = i;
        if (y[i] > y[hi]) hi = i;
      }
      const std::size_t first = std::min(lo, hi), second = std::max(lo, hi);
      points.append(QPointF(x[first], y[first]));
      if (second != first) points.append(QPointF(x[second], y[second]));
    }
  }
  series->replace(points);
}

QLineSeries* NewLine(const QString& name, const QColor& color, qreal width, bool dashed) {
  auto* series = new QLineSeries;
  series->setName(name);
  QPen pen(color);
  pen.setWidthF(width);
  if (dashed) pen.setStyle(Qt::DashLine);
  series->setPen(pen);
  return series;
}

bool SaveChartPng(QChart* chart, const QString& path, int width, int height) {
  QGraphicsScene scene;
  scene.addItem(chart);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setGeometry(0, 0, width, height);
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(0, 0, width, height), QRectF(0, 0, width, height));
  }
  scene.removeItem(chart);
  // The fastest compression: it runs on the GUI thread after an alarm's last tick, and takes a
  // third of the default's time for a file a fifth larger.
  constexpr int kFastestPngCompression = 80;
  return image.save(path, "PNG", kFastestPngCompression);
}

qreal ChartMsecs(const TLocalDateTime& t) {
  const QDateTime local(QDate(t.Year, t.Month, t.Day), QTime(t.Hour, t.Minute, t.Second), Qt::LocalTime);
  return static_cast<qreal>(local.toMSecsSinceEpoch());
}

}  // namespace tevra
