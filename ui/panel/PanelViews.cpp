#include "ui/panel/PanelViews.h"

#include <sys/stat.h>

#include <QTimer>

#include "base/TextFormat.h"
#include "history/LongPeriodRecord.h"
#include "ui/views/AlarmChart.h"
#include "ui/views/AlarmRecordsForm.h"
#include "ui/views/BackgroundVibrationForm.h"
#include "ui/views/HistoryForm.h"
#include "ui/panel/Tevra_form.h"

namespace tevra {
namespace {

void ShowInFront(QWidget* window) {
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace

TPanelViews::TPanelViews(TForm1& panel, TPlatform& platform)
    : panel_(panel), platform_(platform), stepsSeen_(panel.Calculator.BaselineSteps()) {}

TPanelViews::~TPanelViews() = default;

void TPanelViews::AddMenuItems(QMenu* show) {
  HistoryAction = show->addAction(QStringLiteral("震度履歴(&H)"), this, &TPanelViews::ShowHistory);
  BackgroundVibrationAction =
      show->addAction(QStringLiteral("背景振動スペクトル(&S)"), this, &TPanelViews::ShowBackgroundVibration);
  AlarmRecordsAction = show->addAction(QStringLiteral("警報記録(&A)"), this, &TPanelViews::ShowAlarmRecords);
}

void TPanelViews::ShowHistory() {
  if (!history_) history_ = std::make_unique<THistoryForm>(platform_, panel_.Settings);
  ShowInFront(history_.get());
}

void TPanelViews::ShowBackgroundVibration() {
  if (!backgroundVibration_) {
    backgroundVibration_ = std::make_unique<TBackgroundVibrationForm>(
        panel_.Calculator, [this] { panel_.N7Click(); }, [this] { return LearnedText(); });
  }
  ShowInFront(backgroundVibration_.get());
}

void TPanelViews::ShowAlarmRecords() {
  if (!alarms_) alarms_ = std::make_unique<TAlarmRecordsForm>(platform_, panel_.Settings);
  ShowInFront(alarms_.get());
}

void TPanelViews::AfterTick() {
  if (panel_.Calculator.BaselineSteps() != stepsSeen_) {
    stepsSeen_ = panel_.Calculator.BaselineSteps();
    learnedThisRun_ = true;
    learnedAt_ = panel_.TickTime;
  }
  if (History.Add(panel_.TickTime, panel_.Tick.CurrentIntensity, panel_.Tick.TickMaxComposite))
    WriteHistory();
  if (backgroundVibration_ && panel_.Tick.IntensityUpdated) backgroundVibration_->RefreshSoon();
}

void TPanelViews::WriteHistory() {
  if (History.WriteWaiting(HistoryBaseFolder(panel_.Settings)) != THistoryWriter::hwFirstFailure) return;
  // Once per outage: the minutes wait in memory and measuring goes on.
  panel_.LogNote("履歴ファイル書き込みエラー");
}

void TPanelViews::MeasurementStopping(const std::string& openDetailPath) {
  WriteMinuteInProgress();
  AlarmEnded(openDetailPath);
}

void TPanelViews::ProgramEnding() {
  WriteMinuteInProgress();
  WriteDuePictures();
}

void TPanelViews::WriteMinuteInProgress() {
  History.EndMinute();
  WriteHistory();
}

void TPanelViews::AlarmEnded(const std::string& detailPath) {
  if (!detailPath.empty()) {
    picturesDue_.push_back(detailPath);
    QTimer::singleShot(0, this, &TPanelViews::WriteDuePictures);
  }
  if (alarms_ && alarms_->isVisible()) QTimer::singleShot(0, alarms_.get(), &TAlarmRecordsForm::Reload);
}

void TPanelViews::WriteDuePictures() {
  const std::vector<std::string> due = std::move(picturesDue_);
  picturesDue_.clear();
  for (const std::string& detailPath : due) WritePicture(detailPath);
}

void TPanelViews::WritePicture(const std::string& detailPath) {
  // The alarm's long-period line was written at its end; the file's stamp comes up to 2 s after
  // the detection.
  TLocalDateTime stamp;
  const TLongPeriodEntry* entry = nullptr;
  const std::vector<TLongPeriodEntry> entries =
      ReadLongPeriodLog(LongPeriodLogPath(panel_.Settings.EventFolder, panel_.Settings.SensorId));
  if (DetailFileStamp(detailPath, stamp)) entry = FindLongPeriodEntry(entries, stamp, 2);
  if (WriteAlarmPicture(detailPath, LongPeriodEntryText(entry))) return;
  // The detail file itself is kept; only its picture is missing.
  panel_.LogNote("警報画像の保存に失敗しました");
}

std::string TPanelViews::LearnedText() const {
  if (learnedThisRun_) return DateTimeText(learnedAt_);
  // Before the first step of this run the baseline is the one loaded, as saved at the last exit.
  struct stat st {};
  const std::string& path = panel_.Calculator.BaselinePath();
  if (!path.empty() && ::stat(path.c_str(), &st) == 0) {
    return DateTimeText(LocalDateTimeOf(st.st_mtime)) + "（前回の保存）";
  }
  return "まだ学習していません";
}

}  // namespace tevra
