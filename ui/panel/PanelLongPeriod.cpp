#include "ui/panel/PanelLongPeriod.h"

#include "settings/Profile.h"
#include "ui/dialogs/LongPeriod_form.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {

TPanelLongPeriod::TPanelLongPeriod(TForm1& panel) : panel_(panel) {
  SettingsAction = new QAction(QStringLiteral("長周期地震動設定(&L)"), &panel);
  panel.N2->addAction(SettingsAction);
  QObject::connect(SettingsAction, &QAction::triggered, &panel, [this] { OpenDialog(); });
  StatusPanel = new QLabel(panel.Health->Bar);
  StatusPanel->setToolTip(QStringLiteral("長周期地震動階級と絶対速度応答の最大値（過去60秒）"));
  panel.Health->Bar->addWidget(StatusPanel);
  QObject::connect(&panel.Timer3, &QTimer::timeout, StatusPanel, [this] { Refresh(); });
  Refresh();
}

TPanelLongPeriod::~TPanelLongPeriod() {
  QObject::disconnect(&panel_.Timer3, nullptr, StatusPanel, nullptr);
}

void TPanelLongPeriod::Load() {
  if (panel_.SettingsFile) settings_ = LoadLongPeriodSettings(*panel_.SettingsFile);
}

void TPanelLongPeriod::Apply(const TLongPeriodSettings& settings) {
  if (panel_.SettingsFile) SaveLongPeriodSettings(settings, *panel_.SettingsFile);
  settings_ = settings;
}

bool TPanelLongPeriod::Live(TLongPeriodMeter::TPeak& peak) const {
  if (!panel_.Measuring()) return false;
  peak = panel_.Tick.LongPeriod.LastMinute();
  return true;
}

void TPanelLongPeriod::Refresh() {
  TLongPeriodMeter::TPeak peak;
  const QString text =
      Live(peak) ? QString::fromStdString(LongPeriodStatusText(peak)) : QStringLiteral("長周期 —");
  if (StatusPanel->text() != text) StatusPanel->setText(text);
}

bool TPanelLongPeriod::TakeExceedance() {
  return LongPeriodExceeds(settings_, panel_.Tick.LongPeriod.TakeSinceEvaluation().Sva);
}

void TPanelLongPeriod::AlarmStarted(bool ownCriterion, bool longPeriod) {
  panel_.Tick.LongPeriod.BeginAlarm();
  detected_ = panel_.TickTime;
  if (settings_.Alarm)
    panel_.LogNoteLine(panel_.NowLine(AlarmCriterionNote(ownCriterion, longPeriod, settings_)), true);
}

TStatus TPanelLongPeriod::AlarmEnded() {
  const TLongPeriodMeter::TPeak peak = panel_.Tick.LongPeriod.EndAlarm();
  panel_.LogNote(LongPeriodAlarmText(peak));
  return log_.Append(panel_.Settings, detected_, peak);
}

void TPanelLongPeriod::OpenDialog() {
  if (!Dialog) Dialog = std::make_unique<TLongPeriodForm>(*this, &panel_);
  Dialog->exec();
}

}  // namespace tevra
