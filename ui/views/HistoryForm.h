#pragma once
// 震度履歴: the last hour, day or week of the per-minute history as two charts, the intensity over
// bands of the intensity classes and the composite acceleration below, with the alarm criterion
// and the alarm periods of the event log. Read from the files once a minute while shown; hidden,
// it has no timer running.
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QLabel>
#include <QTimer>
#include <QValueAxis>
#include <QWidget>
#include <vector>

#include "base/Platform.h"
#include "history/AlarmLog.h"
#include "history/HistoryFile.h"
#include "settings/PanelSettings.h"

namespace tevra {

class THistoryForm : public QWidget {
  Q_OBJECT
 public:
  static constexpr int RefreshMs = 60 * 1000;

  THistoryForm(TPlatform& platform, const TPanelSettings& settings, QWidget* parent = nullptr);

  // Reads the files again and redraws both charts.
  void Refresh();
  // The text shown for the minute nearest to `msecs` (chart coordinates); "" without data.
  QString MinuteText(qreal msecs) const;

  QComboBox* RangeBox;  // 1 時間, 24 時間, 7 日間
  QChartView* IntensityView;
  QChartView* CompositeView;
  QLabel* HoverLabel;
  QTimer RefreshTimer;

  // What the charts show: the minutes in range, their runs without gaps, the alarm periods.
  std::vector<THistoryMinute> Minutes;
  std::vector<std::vector<THistoryMinute>> Runs;
  std::vector<TAlarmEntry> Alarms;
  // The event log, of which each refresh reads only what was appended.
  TAlarmLogFollower EventLog;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void BuildIntensityChart(qreal from, qreal to);
  void BuildCompositeChart(qreal from, qreal to);
  QDateTimeAxis* NewTimeAxis(qreal from, qreal to) const;
  void AddAlarmPeriods(QChart* chart, QDateTimeAxis* time, QValueAxis* value, qreal from, qreal to);
  void AddCriterion(QChart* chart, QDateTimeAxis* time, QValueAxis* value, qreal from, qreal to,
                    const QString& name, double level);
  void AddRuns(QChart* chart, QDateTimeAxis* time, QValueAxis* value, const QString& name,
               const QColor& colour, qreal width, double THistoryMinute::*figure);
  void OnHover(const QPointF& point, bool state);

  TPlatform& platform_;
  const TPanelSettings& settings_;
  std::vector<qreal> msecs_;  // chart coordinate of each entry of Minutes
};

}  // namespace tevra
