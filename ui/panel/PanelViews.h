#pragma once
// The panel's views of its own records: the per-minute history written while measuring, the
// windows 震度履歴, 背景振動スペクトル and 警報記録 under the 表示 menu (created when first
// opened), and the picture of every alarm written when it ends. The main window calls in at a few
// points of its cycle; everything heavier than a comparison waits until the tick has ended.
#include <QAction>
#include <QMenu>
#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "base/DateTimeText.h"
#include "base/Platform.h"
#include "history/HistoryFile.h"

namespace tevra {

class TForm1;
class THistoryForm;
class TBackgroundVibrationForm;
class TAlarmRecordsForm;

class TPanelViews : public QObject {
  Q_OBJECT
 public:
  TPanelViews(TForm1& panel, TPlatform& platform);
  ~TPanelViews() override;

  // The three items of the 表示 menu.
  void AddMenuItems(QMenu* show);
  // After a tick's figures: the minute's maxima, a learning step, the spectrum's refresh.
  void AfterTick();
  // Measurement stop: the minute in progress is written; an alarm cut short gets its picture.
  void MeasurementStopping(const std::string& openDetailPath);
  // Alarm end, after its detail file was closed: its picture follows the tick.
  void AlarmEnded(const std::string& detailPath);
  // The program ends: the minute in progress and the pictures still due are written now.
  void ProgramEnding();

  // The windows, null until first opened.
  THistoryForm* HistoryForm() const { return history_.get(); }
  TBackgroundVibrationForm* BackgroundVibrationForm() const { return backgroundVibration_.get(); }
  TAlarmRecordsForm* AlarmRecordsForm() const { return alarms_.get(); }
  void ShowHistory();
  void ShowBackgroundVibration();
  void ShowAlarmRecords();

  // The date of the baseline's last learning step, as the spectrum window shows it.
  std::string LearnedText() const;

  QAction* HistoryAction = nullptr;
  QAction* BackgroundVibrationAction = nullptr;
  QAction* AlarmRecordsAction = nullptr;
  THistoryWriter History;

 private:
  void WriteHistory();
  void WriteMinuteInProgress();
  void WriteDuePictures();
  void WritePicture(const std::string& detailPath);

  TForm1& panel_;
  TPlatform& platform_;
  long long stepsSeen_ = 0;
  std::vector<std::string> picturesDue_;  // detail files of ended alarms, oldest first
  bool learnedThisRun_ = false;
  TLocalDateTime learnedAt_;
  std::unique_ptr<THistoryForm> history_;
  std::unique_ptr<TBackgroundVibrationForm> backgroundVibration_;
  std::unique_ptr<TAlarmRecordsForm> alarms_;
};

}  // namespace tevra
