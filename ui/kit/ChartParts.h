#pragma once
// Pieces the panel's Qt Charts windows share: decimated line series, marker lines, rendering to
// PNG, and local wall-clock times as chart coordinates.
#include <QChart>
#include <QColor>
#include <QLineSeries>
#include <QString>
#include <vector>

#include "base/DateTimeText.h"

namespace tevra {

// Adds (x[i], y[i]) to `series`; beyond `maxBuckets` points each bucket of neighbours gives its
// smallest and largest value in their order, so peaks survive and a long alarm stays cheap to draw.
void AppendDecimated(QLineSeries* series, const std::vector<double>& x, const std::vector<double>& y,
                     int maxBuckets);

// A line series named `name` drawn with `color`, `width` pixels, dashed if asked.
QLineSeries* NewLine(const QString& name, const QColor& color, qreal width, bool dashed = false);

// Renders the chart alone (no window needed) into a PNG of `width` x `height`; false when the
// file cannot be written.
bool SaveChartPng(QChart* chart, const QString& path, int width, int height);

// A local wall-clock time as milliseconds since the epoch, the coordinate of a date-time axis.
qreal ChartMsecs(const TLocalDateTime& t);

// Qt texts from UTF-8.
inline QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

}  // namespace tevra
