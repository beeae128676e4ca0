#pragma once
// The long-period ground-motion class in the panel: its figure in the health row, its alarm
// (section [LongPeriod] and the 「長周期地震動設定」 dialog), and its record of every alarm. The
// tick's processor computes it; the main window calls in at the alarm's evaluation, start and end.
#include <QAction>
#include <QLabel>
#include <memory>
#include <string>

#include "base/DateTimeText.h"
#include "base/Result.h"
#include "history/LongPeriodRecord.h"

namespace tevra {

class TForm1;
class TLongPeriodForm;

class TPanelLongPeriod {
 public:
  // Adds 設定 > 長周期地震動設定 and its panel to the health row.
  explicit TPanelLongPeriod(TForm1& panel);
  ~TPanelLongPeriod();

  // Reads [LongPeriod] from the panel's settings file.
  void Load();
  // Takes settings from the dialog: kept in the settings file and in force at once.
  void Apply(const TLongPeriodSettings& settings);
  const TLongPeriodSettings& Settings() const { return settings_; }

  // The class and largest absolute velocity of the last 60 s while measuring, else none.
  bool Live(TLongPeriodMeter::TPeak& peak) const;
  void Refresh();

  // An evaluation of the alarm: whether the samples since the previous one reach the alarm's class.
  bool TakeExceedance();
  // The alarm started (on the settings' criterion, the long-period one or both): the record
  // begins, and with the long-period alarm on, a note of the criterion goes below the top line.
  void AlarmStarted(bool ownCriterion, bool longPeriod);
  // The alarm ended or measuring stopped during it: the operation-log line and the file's line;
  // returns the file's failure worth reporting (once per outage).
  TStatus AlarmEnded();

  void OpenDialog();

  QAction* SettingsAction = nullptr;
  QLabel* StatusPanel = nullptr;
  std::unique_ptr<TLongPeriodForm> Dialog;

 private:
  TForm1& panel_;
  TLongPeriodSettings settings_;
  TLongPeriodLog log_;
  TLocalDateTime detected_;
};

}  // namespace tevra
