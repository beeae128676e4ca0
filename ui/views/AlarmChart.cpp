#include "ui/views/AlarmChart.h"

#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/kit/ChartParts.h"

namespace tevra {
namespace {

constexpr double kSampleSeconds = 0.01;  // detail files hold every sample, 100 a second

QValueAxis* NewAxis(const QString& title, double lo, double hi, const QString& format) {
  auto* axis = new QValueAxis;
  axis->setTitleText(title);
  axis->setRange(lo, hi);
  axis->setLabelFormat(format);
  return axis;
}

}  // namespace

QChart* BuildAlarmChart(const TDetailSamples& s, int detection, const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignBottom);

  const std::size_t n = s.Size();
  const int origin = detection >= 0 ? detection : 0;
  std::vector<double> t(n);
  for (std::size_t i = 0; i < n; ++i) t[i] = (static_cast<double>(i) - origin) * kSampleSeconds;

  double lo = 0.0, hi = 1.0;
  for (const auto* v : {&s.X, &s.Y, &s.Z, &s.Composite}) {
    for (double x : *v) {
      lo = std::min(lo, x);
      hi = std::max(hi, x);
    }
  }
  double highest = 0.0;
  for (double i : s.Intensity) highest = std::max(highest, i);

  const double t0 = n > 0 ? t.front() : -1.0, t1 = n > 0 ? t.back() : 1.0;
  auto* time = NewAxis(
      detection >= 0 ? QStringLiteral("検出からの時間 (秒)") : QStringLiteral("記録開始からの時間 (秒)"), t0,
      std::max(t1, t0 + 1.0), QStringLiteral("%.0f"));
  auto* gal = NewAxis(QStringLiteral("加速度 (gal)"), lo, hi, QStringLiteral("%g"));
  time->applyNiceNumbers();
  gal->applyNiceNumbers();
  lo = gal->min();
  hi = gal->max();
  // Whole intensity steps on the acceleration axis's grid lines.
  const int steps = std::max(1, gal->tickCount() - 1);
  const double step = std::max(1.0, std::ceil((highest + 0.3) / steps));
  auto* intensity = NewAxis(QStringLiteral("計測震度"), 0.0, step * steps, QStringLiteral("%.0f"));
  intensity->setTickCount(steps + 1);
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(gal, Qt::AlignLeft);
  chart->addAxis(intensity, Qt::AlignRight);

  const struct {
    const std::vector<double>* values;
    const char* name;
    QColor color;
    qreal width;
    QValueAxis* axis;
  } traces[] = {
      // The composite first: never below a component, it shows as the envelope behind them.
      {&s.Composite, "合成加速度", QColor(90, 90, 90), 1.0, gal},
      {&s.X, "X", QColor(31, 119, 180), 1.0, gal},
      {&s.Y, "Y", QColor(44, 160, 44), 1.0, gal},
      {&s.Z, "Z", QColor(255, 127, 14), 1.0, gal},
      {&s.Intensity, "計測震度", QColor(200, 0, 0), 2.0, intensity},
  };
  for (const auto& trace : traces) {
    QLineSeries* series = NewLine(QString::fromUtf8(trace.name), trace.color, trace.width);
    AppendDecimated(series, t, *trace.values, kAlarmChartBuckets);
    chart->addSeries(series);
    series->attachAxis(time);
    series->attachAxis(trace.axis);
  }
  if (detection >= 0) {
    QLineSeries* mark = NewLine(QStringLiteral("検出"), Qt::red, 1.5, true);
    mark->append(0.0, lo);
    mark->append(0.0, hi);
    chart->addSeries(mark);
    mark->attachAxis(time);
    mark->attachAxis(gal);
  }
  return chart;
}

std::string AlarmPicturePath(const std::string& detailPath) {
  std::string path = detailPath;
  if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".csv") == 0) path.resize(path.size() - 4);
  return path + ".png";
}

bool WriteAlarmPicture(const std::string& detailPath, const std::string& longPeriod) {
  TDetailSamples samples;
  if (!ReadDetailFile(detailPath, samples)) return false;
  TLocalDateTime stamp;
  const bool stamped = DetailFileStamp(detailPath, stamp);
  const int detection = stamped ? DetectionIndex(samples, stamp) : -1;
  double intensity = 0.0, composite = 0.0;
  for (std::size_t i = 0; i < samples.Size(); ++i) {
    intensity = std::max(intensity, samples.Intensity[i]);
    composite = std::max(composite, samples.Composite[i]);
  }
  QString figures = QStringLiteral("最大計測震度 %1　最大合成加速度 %2 gal")
                        .arg(intensity, 0, 'f', 2)
                        .arg(composite, 0, 'f', 1);
  if (!longPeriod.empty()) figures += QStringLiteral("　長周期 ") + Q(longPeriod);
  const QString title =
      stamped ? QStringLiteral("警報 %1 検出　%2").arg(Q(DateTimeText(stamp)), figures) : figures;
  QChart* chart = BuildAlarmChart(samples, detection, title);
  const bool saved =
      SaveChartPng(chart, Q(AlarmPicturePath(detailPath)), kAlarmPictureWidth, kAlarmPictureHeight);
  delete chart;
  return saved;
}

}  // namespace tevra
