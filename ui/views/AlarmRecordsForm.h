#pragma once
// 警報記録: the alarms of the event log, newest first; the selected one's detail file as a chart,
// which the export button saves as PNG.
#include <QChartView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>
#include <string>
#include <vector>

#include "base/Platform.h"
#include "history/AlarmLog.h"
#include "history/LongPeriodRecord.h"
#include "settings/PanelSettings.h"

namespace tevra {

class TAlarmRecordsForm : public QWidget {
  Q_OBJECT
 public:
  TAlarmRecordsForm(TPlatform& platform, const TPanelSettings& settings, QWidget* parent = nullptr);

  // Reads the event log again; the selection goes to the newest alarm.
  void Reload();
  // Shows the alarm of list row `row` (0 = newest).
  void ShowAlarm(int row);
  // Asks for a file name through the platform and saves the chart shown.
  void ExportClick();

  QTreeWidget* AlarmList;  // 検出時刻, 最大震度, 最大加速度
  QChartView* ChartView;
  QLabel* FileLabel;
  QPushButton* ExportButton;

  std::vector<TAlarmEntry> Alarms;  // newest first, as listed
  std::vector<std::string> LongPeriodTexts;  // each alarm's long-period record, "—" for none
  std::string DetailPath;           // the detail file shown; "" when none
  TDetailSamples Samples;
  int Detection = -1;  // the sample of the detection in Samples; -1 when unknown

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  TPlatform& platform_;
  const TPanelSettings& settings_;
};

}  // namespace tevra
