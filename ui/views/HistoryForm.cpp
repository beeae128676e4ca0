#include "ui/views/HistoryForm.h"

#include <QAreaSeries>
#include <QCategoryAxis>
#include <QCursor>
#include <QDateTime>
#include <QLegendMarker>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <cmath>

#include "base/TextFormat.h"
#include "core/Tevra.h"
#include "alarm/AlarmCriteria.h"
#include "alarm/AlarmFileNames.h"
#include "ui/kit/ChartParts.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

// Pale colours of the intensity classes ０ ... ７, light enough for the trace to stand out.
const std::array<QColor, kIntensityClasses.size()> kClassColours = {
    QColor(245, 245, 245), QColor(225, 240, 252), QColor(200, 228, 248), QColor(214, 242, 214),
    QColor(255, 246, 190), QColor(255, 226, 170), QColor(255, 200, 140), QColor(255, 172, 160),
    QColor(240, 150, 150), QColor(225, 160, 215),
};
const QColor kAlarmColour(220, 0, 0, 110);

struct TRange {
  const char* name;
  int seconds;
  int alignSeconds;  // the axis ends on a whole multiple of this, so its ticks fall on round times
  const char* format;
  int ticks;
};
constexpr TRange kRanges[] = {
    {"1 時間", 3600, 600, "HH:mm", 7},
    {"24 時間", 24 * 3600, 3600, "HH:mm", 9},
    {"7 日間", 7 * 24 * 3600, 24 * 3600, "MM/dd", 8},
};

const TRange& ChosenRange(const QComboBox* box) {
  return kRanges[std::clamp(box->currentIndex(), 0, static_cast<int>(std::size(kRanges)) - 1)];
}

// A rectangle from `x0` to `x1` and `lo` to `hi` as an area series.
QAreaSeries* NewBand(qreal x0, qreal x1, qreal lo, qreal hi, const QColor& colour) {
  auto* upper = new QLineSeries;
  auto* lower = new QLineSeries;
  upper->append(x0, hi);
  upper->append(x1, hi);
  lower->append(x0, lo);
  lower->append(x1, lo);
  auto* band = new QAreaSeries(upper, lower);
  upper->setParent(band);
  lower->setParent(band);
  band->setBrush(colour);
  band->setPen(Qt::NoPen);
  return band;
}

void Attach(QChart* chart, QAbstractSeries* series, QAbstractAxis* x, QAbstractAxis* y, bool inLegend) {
  chart->addSeries(series);
  series->attachAxis(x);
  series->attachAxis(y);
  if (!inLegend) {
    for (QLegendMarker* m : chart->legend()->markers(series)) m->setVisible(false);
  }
}

// Both charts keep their plot area at the same distance from the sides, so their time axes line up
// whatever their axes' labels need.
void FixPlotArea(QChart* chart) {
  const auto place = [chart] {
    const QSizeF size = chart->size();
    const QRectF area(80.0, 64.0, size.width() - 160.0, size.height() - 64.0 - 40.0);
    if (area.width() > 10.0 && area.height() > 10.0) chart->setPlotArea(area);
  };
  QObject::connect(chart, &QGraphicsWidget::geometryChanged, chart, place);
  place();
}

// Puts the new chart in the view and deletes the one it replaces.
void ShowChart(QChartView* view, QChart* chart) {
  QChart* old = view->chart();
  view->setChart(chart);
  FixPlotArea(chart);
  delete old;
}

// A run of one minute has no line to draw: its point is drawn instead.
void ShowLoneMinute(QLineSeries* line) {
  if (line->count() != 1) return;
  line->setPointsVisible(true);
  line->setMarkerSize(5.0);
}

QChart* NewChart(const QString& title) {
  auto* chart = new QChart;
  chart->setTitle(title);
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignTop);
  chart->setMargins(QMargins(4, 4, 4, 4));
  return chart;
}

}  // namespace

THistoryForm::THistoryForm(TPlatform& platform, const TPanelSettings& settings, QWidget* parent)
    : QWidget(parent), platform_(platform), settings_(settings) {
  setWindowTitle(QStringLiteral("震度履歴"));
  setWindowIcon(ApplicationIcon());
  auto* layout = new QVBoxLayout(this);
  RangeBox = new QComboBox(this);
  for (const TRange& r : kRanges) RangeBox->addItem(QString::fromUtf8(r.name));
  RangeBox->setCurrentIndex(1);
  RangeBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  IntensityView = new QChartView(this);
  CompositeView = new QChartView(this);
  for (QChartView* view : {IntensityView, CompositeView}) view->setRenderHint(QPainter::Antialiasing);
  HoverLabel = new QLabel(QStringLiteral("線の上にマウスを置くと、その1分間の値を表示します。"), this);
  layout->addWidget(RangeBox, 0, Qt::AlignLeft);
  layout->addWidget(IntensityView, 3);
  layout->addWidget(CompositeView, 2);
  layout->addWidget(HoverLabel);
  resize(1000, 720);

  RefreshTimer.setInterval(RefreshMs);
  connect(&RefreshTimer, &QTimer::timeout, this, &THistoryForm::Refresh);
  connect(RangeBox, &QComboBox::currentIndexChanged, this, [this] {
    if (isVisible()) Refresh();
  });
}

void THistoryForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
  RefreshTimer.start();
}

void THistoryForm::hideEvent(QHideEvent* event) {
  RefreshTimer.stop();
  QWidget::hideEvent(event);
}

void THistoryForm::Refresh() {
  const TLocalDateTime now = platform_.LocalNow();
  const TRange& r = ChosenRange(RangeBox);
  const std::int64_t end = (WallSeconds(now) / r.alignSeconds + 1) * r.alignSeconds;
  const TLocalDateTime from = WallTime(end - r.seconds);
  Minutes = ReadHistory(HistoryBaseFolder(settings_), from, now);
  Runs = SplitAtGaps(Minutes);
  Alarms = EventLog.Update(EventLogPath(settings_.EventFolder, settings_.SensorId));
  msecs_.clear();
  for (const THistoryMinute& m : Minutes) msecs_.push_back(ChartMsecs(m.Minute));
  BuildIntensityChart(ChartMsecs(from), ChartMsecs(WallTime(end)));
  BuildCompositeChart(ChartMsecs(from), ChartMsecs(WallTime(end)));
}

QDateTimeAxis* THistoryForm::NewTimeAxis(qreal from, qreal to) const {
  const TRange& r = ChosenRange(RangeBox);
  auto* axis = new QDateTimeAxis;
  axis->setFormat(QString::fromUtf8(r.format));
  axis->setTickCount(r.ticks);
  axis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(from)),
                 QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(to)));
  return axis;
}

void THistoryForm::AddAlarmPeriods(QChart* chart, QDateTimeAxis* time, QValueAxis* value, qreal from,
                                   qreal to) {
  bool named = false;
  for (const TAlarmEntry& a : Alarms) {
    // The log keeps the detection and the last new maximum; the alarm held at least 61 s after it.
    const TLocalDateTime last = a.HasMaximum ? a.MaximumAt : a.Detected;
    const qreal x0 = ChartMsecs(a.Detected);
    // At least a few pixels wide: a two-minute alarm must still show on the week's chart.
    const qreal x1 =
        std::max(ChartMsecs(WallTime(WallSeconds(last) + kAlarmHoldSeconds + 1)), x0 + 0.004 * (to - from));
    if (x1 < from || x0 > to) continue;
    QAreaSeries* band =
        NewBand(std::max(x0, from), std::min(x1, to), value->min(), value->max(), kAlarmColour);
    band->setName(QStringLiteral("警報"));
    Attach(chart, band, time, value, !named);
    named = true;
  }
}

void THistoryForm::BuildIntensityChart(qreal from, qreal to) {
  QChart* chart = NewChart(QStringLiteral("計測震度（1分ごとの最大）"));
  const bool intensityAlarm = settings_.AlarmKind != akCompositeAcceleration;
  double highest = intensityAlarm ? settings_.AlarmIntensity : 0.0;
  for (const THistoryMinute& m : Minutes) highest = std::max(highest, m.Intensity);
  const double top = std::clamp(std::ceil(highest + 0.5), 3.0, 7.5);

  QDateTimeAxis* time = NewTimeAxis(from, to);
  auto* value = new QValueAxis;
  value->setRange(0.0, top);
  value->setTickCount(static_cast<int>(top) + 1);
  value->setLabelFormat(QStringLiteral("%.0f"));
  value->setTitleText(QStringLiteral("計測震度"));
  auto* classes = new QCategoryAxis;
  classes->setRange(0.0, top);
  classes->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
  classes->setTitleText(QStringLiteral("震度階級"));
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(value, Qt::AlignLeft);
  chart->addAxis(classes, Qt::AlignRight);

  // The class bands, as the panel's class table divides the scale.
  double lower = 0.0;
  for (std::size_t i = 0; i < kIntensityClasses.size() && lower < top; ++i) {
    const TIntensityClassRow& row = kIntensityClasses[i];
    const double upper = std::min(row.UpperBound, top);
    Attach(chart, NewBand(from, to, lower, upper, kClassColours[i]), time, value, false);
    classes->append(QString::fromUtf8(row.Name), upper);
    lower = upper;
  }
  AddAlarmPeriods(chart, time, value, from, to);
  if (intensityAlarm) {
    AddCriterion(chart, time, value, from, to,
                 QStringLiteral("警報基準 %1").arg(settings_.AlarmIntensity, 0, 'f', 1),
                 settings_.AlarmIntensity);
  }
  AddRuns(chart, time, value, QStringLiteral("計測震度"), QColor(20, 20, 120), 1.5,
          &THistoryMinute::Intensity);
  ShowChart(IntensityView, chart);
}

void THistoryForm::BuildCompositeChart(qreal from, qreal to) {
  QChart* chart = NewChart(QStringLiteral("合成加速度（1分ごとの最大）"));
  const bool compositeAlarm = settings_.AlarmKind == akCompositeAcceleration;
  double highest = compositeAlarm ? settings_.AlarmAcceleration : 1.0;
  for (const THistoryMinute& m : Minutes) highest = std::max(highest, m.Composite);

  QDateTimeAxis* time = NewTimeAxis(from, to);
  auto* value = new QValueAxis;
  value->setRange(0.0, highest * 1.1);
  value->applyNiceNumbers();
  value->setTitleText(QStringLiteral("gal"));
  chart->addAxis(time, Qt::AlignBottom);
  chart->addAxis(value, Qt::AlignLeft);
  AddAlarmPeriods(chart, time, value, from, to);
  if (compositeAlarm) {
    AddCriterion(chart, time, value, from, to,
                 QStringLiteral("警報基準 %1 gal").arg(settings_.AlarmAcceleration),
                 settings_.AlarmAcceleration);
  }
  AddRuns(chart, time, value, QStringLiteral("合成加速度"), QColor(0, 110, 60), 1.2,
          &THistoryMinute::Composite);
  ShowChart(CompositeView, chart);
}

void THistoryForm::AddCriterion(QChart* chart, QDateTimeAxis* time, QValueAxis* value, qreal from, qreal to,
                                const QString& name, double level) {
  QLineSeries* criterion = NewLine(name, QColor(200, 0, 0), 1.5, true);
  criterion->append(from, level);
  criterion->append(to, level);
  Attach(chart, criterion, time, value, true);
}

void THistoryForm::AddRuns(QChart* chart, QDateTimeAxis* time, QValueAxis* value, const QString& name,
                           const QColor& colour, qreal width, double THistoryMinute::*figure) {
  // One line per run of consecutive minutes, so a gap in the history shows as a gap; named once.
  bool named = false;
  for (const auto& run : Runs) {
    QLineSeries* line = NewLine(name, colour, width);
    for (const THistoryMinute& m : run) line->append(ChartMsecs(m.Minute), m.*figure);
    ShowLoneMinute(line);
    connect(line, &QLineSeries::hovered, this, &THistoryForm::OnHover);
    Attach(chart, line, time, value, !named);
    named = true;
  }
}

QString THistoryForm::MinuteText(qreal msecs) const {
  if (Minutes.empty()) return {};
  const auto at = std::lower_bound(msecs_.begin(), msecs_.end(), msecs);
  std::size_t i = static_cast<std::size_t>(at - msecs_.begin());
  if (i == msecs_.size() || (i > 0 && msecs - msecs_[i - 1] < msecs_[i] - msecs)) --i;
  const THistoryMinute& m = Minutes[i];
  return Q(Printf("%04d/%02d/%02d %02d:%02d　計測震度 %.2f（震度%s）　合成加速度 %.1f gal", m.Minute.Year,
                  m.Minute.Month, m.Minute.Day, m.Minute.Hour, m.Minute.Minute, m.Intensity,
                  IntensityClassName(m.Intensity), m.Composite));
}

void THistoryForm::OnHover(const QPointF& point, bool state) {
  if (!state) return;
  const QString text = MinuteText(point.x());
  HoverLabel->setText(text);
  QToolTip::showText(QCursor::pos(), text, this);
}

}  // namespace tevra
