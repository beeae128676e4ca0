#include "ui/views/BackgroundVibrationForm.h"

#include <QHBoxLayout>
#include <QLogValueAxis>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

#include "ui/kit/ChartParts.h"
#include "ui/kit/QtPlatform.h"

namespace tevra {
namespace {

constexpr const char* kAxisNames[3] = {"X", "Y", "Z"};

// Bins 1 .. N/2 inside the shown band.
bool Shown(int k) {
  const double f = TWindowAmplitudes::Frequency(k);
  return f >= TBackgroundVibrationForm::LowestHz * 0.999 && f <= TBackgroundVibrationForm::HighestHz;
}

}  // namespace

TBackgroundVibrationForm::TBackgroundVibrationForm(const Tevra& calculator, std::function<void()> reset,
                                                   std::function<std::string()> learnedText, QWidget* parent)
    : QWidget(parent), calculator_(calculator), learnedText_(std::move(learnedText)) {
  setWindowTitle(QStringLiteral("背景振動スペクトル"));
  setWindowIcon(ApplicationIcon());

  auto* layout = new QVBoxLayout(this);
  for (int a = 0; a < 3; ++a) {
    Views[a] = new QChartView(BuildChart(a), this);
    Views[a]->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(Views[a], 1);
  }
  auto* bottom = new QHBoxLayout;
  LearnedLabel = new QLabel(this);
  ResetButton = new QPushButton(QStringLiteral("環境振動情報リセット"), this);
  bottom->addWidget(LearnedLabel, 1);
  bottom->addWidget(ResetButton);
  layout->addLayout(bottom);
  resize(900, 740);

  RefreshTimer.setSingleShot(true);
  RefreshTimer.setInterval(0);
  connect(&RefreshTimer, &QTimer::timeout, this, &TBackgroundVibrationForm::Refresh);
  connect(ResetButton, &QPushButton::clicked, this, [this, reset = std::move(reset)] {
    reset();
    Refresh();
  });
}

QChart* TBackgroundVibrationForm::BuildChart(int a) {
  auto* chart = new QChart;
  chart->setTitle(QStringLiteral("%1 軸").arg(QString::fromUtf8(kAxisNames[a])));
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->legend()->setAlignment(Qt::AlignRight);
  chart->setMargins(QMargins(4, 2, 4, 2));

  auto* frequency = new QLogValueAxis;
  frequency->setBase(10.0);
  frequency->setRange(LowestHz, HighestHz);
  frequency->setLabelFormat(QStringLiteral("%g"));
  frequency->setMinorTickCount(8);
  frequency->setTitleText(QStringLiteral("周波数 (Hz)"));
  auto* amplitude = new QLogValueAxis;
  amplitude->setBase(10.0);
  amplitude->setLabelFormat(QStringLiteral("%g"));
  amplitude->setTitleText(QStringLiteral("振幅 (gal·s)"));
  auto* gain = new QValueAxis;
  gain->setTitleText(QStringLiteral("フィルタ利得"));
  gain->setLabelFormat(QStringLiteral("%.1f"));
  chart->addAxis(frequency, Qt::AlignBottom);
  chart->addAxis(amplitude, Qt::AlignLeft);
  chart->addAxis(gain, Qt::AlignRight);

  BaselineSeries[a] = NewLine(QStringLiteral("学習した背景"), QColor(0, 90, 200), 2.0);
  NewestSeries[a] = NewLine(QStringLiteral("最新の窓"), QColor(120, 120, 120), 1.0);
  GainSeries[a] = NewLine(QStringLiteral("震度フィルタ利得"), QColor(200, 0, 0), 1.5, true);
  const std::vector<double>& gainTable = calculator_.GainTable();
  double highestGain = 0.0;
  for (int k = 1; k < TWindowAmplitudes::Bins; ++k) {
    if (!Shown(k)) continue;
    GainSeries[a]->append(TWindowAmplitudes::Frequency(k), gainTable[k]);
    highestGain = std::max(highestGain, gainTable[k]);
  }
  // Steps of 0.5 above the curve's peak.
  const double gainTop = std::ceil(highestGain * 2.0) / 2.0;
  gain->setRange(0.0, gainTop);
  gain->setTickCount(static_cast<int>(gainTop * 2.0) + 1);
  for (QLineSeries* s : {NewestSeries[a], BaselineSeries[a]}) {
    chart->addSeries(s);
    s->attachAxis(frequency);
    s->attachAxis(amplitude);
  }
  chart->addSeries(GainSeries[a]);
  GainSeries[a]->attachAxis(frequency);
  GainSeries[a]->attachAxis(gain);
  return chart;
}

void TBackgroundVibrationForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  Refresh();
}

void TBackgroundVibrationForm::hideEvent(QHideEvent* event) {
  RefreshTimer.stop();
  QWidget::hideEvent(event);
}

void TBackgroundVibrationForm::RefreshSoon() {
  if (isVisible() && !RefreshTimer.isActive()) RefreshTimer.start();
}

void TBackgroundVibrationForm::Refresh() {
  newestAmplitudes_.Compute(calculator_.NewestWindow());
  const std::vector<TAccelSample>& baseline = calculator_.Baseline();
  const std::vector<TAccelSample>& newest = newestAmplitudes_.Amplitudes();
  for (int a = 0; a < 3; ++a) {
    double TAccelSample::*axis = a == 0 ? &TAccelSample::X : a == 1 ? &TAccelSample::Y : &TAccelSample::Z;
    QList<QPointF> learned, latest;
    double lo = INFINITY, hi = 0.0;
    for (int k = 1; k < TWindowAmplitudes::Bins; ++k) {
      if (!Shown(k)) continue;
      const double f = TWindowAmplitudes::Frequency(k);
      // A log axis has no place for zero: a bin without amplitude (a reset baseline) is left out.
      for (auto [value, points] : {std::pair{FourierAmplitude(baseline[k].*axis), &learned},
                                   std::pair{FourierAmplitude(newest[k].*axis), &latest}}) {
        if (!(value > 0.0) || !std::isfinite(value)) continue;
        points->append(QPointF(f, value));
        lo = std::min(lo, value);
        hi = std::max(hi, value);
      }
    }
    BaselineSeries[a]->replace(learned);
    NewestSeries[a]->replace(latest);
    if (hi > 0.0) {
      // Whole decades around the data, at most six below its top.
      lo = std::max(lo, hi * 1e-6);
      const auto axes = Views[a]->chart()->axes(Qt::Vertical, BaselineSeries[a]);
      if (!axes.isEmpty()) {
        axes.front()->setRange(std::pow(10.0, std::floor(std::log10(lo))),
                               std::pow(10.0, std::ceil(std::log10(hi))));
      }
    }
  }
  LearnedLabel->setText(QStringLiteral("最終学習: %1").arg(Q(learnedText_())));
}

}  // namespace tevra
