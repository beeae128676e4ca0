#pragma once
// The panel's main window: it owns the run-time state (settings, calculator, reader, tick figures,
// alarm, recording, network) and runs the measurement cycle.
#include <QAction>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/DateTimeText.h"
#include "base/Platform.h"
#include "base/Result.h"
#include "core/Tevra.h"
#include "json/StationJson.h"
#include "base/FaultEpisode.h"
#include "alarm/PanelPackets.h"
#include "settings/PanelSettings.h"
#include "alarm/AlarmFiles.h"
#include "settings/Profile.h"
#include "sensor/TickProcessor.h"
#include "sensor/VXTRRR.h"
#include "ui/kit/BackgroundTask.h"
#include "ui/panel/PanelHealth.h"
#include "ui/kit/PanelWindows.h"

namespace tevra {

class TPanelDataOutput;
class TPanelMqtt;
class TPanelWeb;

struct TTickDurations {
  long long Ticks = 0;
  double LongestMs = 0.0;
};

struct TAlarmState {
  bool Active = false;
  double MaxIntensity = 0.0;
  double MaxComposite = 0.0;
  std::string TimeText;             // date and time of the operation log's newest line
  std::int64_t LastExceedTime = 0;  // whole seconds of the alarm clock
};

class TPanelViews;
class TPanelLongPeriod;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  // Builds the controls and the calculator (which loads "NoiseData.csv" from the working
  // directory). FormCreate runs separately, once the splash and the COM port dialog exist.
  TForm1(TPlatform& platform, TPanelWindows& windows, QWidget* parent = nullptr);
  ~TForm1() override;

  // Controls, named as the panel's layout names them.
  QFrame* Panel1;  // the strip with the clock and the criterion line; blinks red in an alarm
  QFrame* Panel2;  // the figures: intensity, state, composite acceleration
  QFrame* Panel3;  // holds the operation log
  QLabel* Image1;
  QLabel* Label1;  // the alarm criterion under the clock
  QLabel* Label2;  // the criterion's caption beside the large figure; the auto-start countdown
  QLabel* Label3;  // caption 合成加速度
  QLabel* Label4;  // the clock
  QLabel* Label5;  // the large figure: the instrumental intensity (算出中 until the first)
  QLabel* Label6;  // the composite acceleration
  QLabel* Label7;  // unit (gal)
  QLabel* Label8;  // the state: 停止中, 再接続待ち, 設定中; empty while measuring
  QListWidget* ListBox1;  // the operation log, newest line first
  QStatusBar* StatusBar1;
  QLabel* StatusPanels[4];
  QMenu* File1;
  QMenu* N2;  // menu 設定
  QMenu* Show1;
  QMenu* N3;  // menu 計測
  QMenu* I1;
  QAction* Exit1;
  QAction* LoginStart1;  // ログイン時に起動: a check item
  QAction* N5;  // 設定 > 警報設定 (TForm3)
  QAction* N4;  // 設定 > 計測設定 (TForm2)
  QAction* N6;  // 設定 > COMポート設定 (TComPortForm)
  QAction* N7;  // 設定 > 環境振動情報リセット
  QAction* G1;  // 表示 > 加速度グラフ (TForm5)
  QAction* N8;  // 計測 > 計測開始
  QAction* N1;  // 計測 > 計測終了
  QAction* V1;  // 情報 > バージョン
  QMenu* PopupMenu1;  // the tray icon's menu
  QAction* N0001;  // tray > 計測Tevraパネルを表示する
  QAction* Exit2;
  QTimer Timer1;  // 500 ms: the alarm blink
  QTimer Timer2;  // 100 ms: the measurement tick (read frames, intensity, alarm)
  QTimer Timer3;  // 500 ms: the clock and the health row
  QTimer Timer4;  // 5 s: the heartbeat packet
  QTimer Timer5;  // 1 s: the countdown of the automatic start (AutoStart)
  QTimer ReconnectTimer;  // every 10 s while 再接続待ち

  // Run-time state.
  TPanelSettings Settings;
  std::unique_ptr<Profile> SettingsFile;
  Tevra Calculator;
  std::unique_ptr<VXTRRR> Reader;
  TickProcessor Tick;
  TAlarmState AlarmState;
  bool BlinkOn = false;
  TLocalDateTime TickTime;
  TAlarmFiles AlarmFiles;
  TPanelNetwork Network;
  bool ExitRequested = false;
  bool CloseConfirmed = false;
  bool SessionEnding = false;  // the end of the session or a stop signal came: the program ends
  int AutoStartCountdown = 3;
  std::string TipText;
  bool TrayRegistered = false;
  TTickDurations TickDurations;
  // The continuous record (miniSEED archive, live stream) and its menus.
  std::unique_ptr<TPanelDataOutput> DataOutput;
  std::unique_ptr<TPanelMqtt> Mqtt;  // figures, state and alarms on an MQTT broker
  std::unique_ptr<TPanelWeb> Web;  // after DataOutput: it serves that record's SeedLink ring
  std::unique_ptr<TPanelHealth> Health;  // the row under the status bar: line, clock and disk
  std::unique_ptr<TPanelViews> Views;    // history, spectrum and alarm records
  std::unique_ptr<TPanelLongPeriod> LongPeriod;  // the long-period class: display, alarm, record
  bool Measuring() const { return Timer2.isActive(); }
  // 再接続待ち: automatic start is on and a sensor error stopped or refused the measurement.
  bool AwaitingReconnect() const { return awaitingReconnect_; }
  // What the outputs (MQTT, the web page) call the state.
  TStationState StationState() const;

  // Start-up and shut-down.
  void FormCreate();
  void FormActivate();
  void OnQueryEndSession();
  // Writes "TevraPanel.ini" and "NoiseData.csv" now (end of session, lost display).
  void SaveAll();

  // Menu, pop-up and timer handlers.
  void Exit1Click();
  void LoginStart1Click(bool checked);
  void N5Click();
  void N4Click();
  void N6Click();
  void N7Click();
  void G1Click();
  void N8Click();
  void N1Click();
  void V1Click();
  void N0001Click();
  void Exit2Click();
  void Timer1Timer();
  void Timer2Timer();
  void Timer3Timer();
  void Timer4Timer();
  void Timer5Timer();
  // One try of the waiting: reopen the port, then, with a device there, check the sensor on a
  // worker; FinishRetry starts measuring with its answer.
  void ReconnectTimerTimer();
  // A try's sensor check is running on its worker.
  bool RetryRunning() const { return retryTask_.Busy(); }
  // Waits for a running try and drops it; the next period tries again. Before anything that
  // opens the port or starts measuring.
  void AbandonRetry() { retryTask_.Abandon(); }

  // The operation log keeps its newest lines: a day of a garbled line must not fill the memory.
  static constexpr int OperationLogLines = 1000;
  // A note of the program's own in the operation log, stamped with the time now. During an alarm it
  // goes below the top line, which each new maximum replaces.
  void LogNote(const std::string& text);
  // LogNote for a server's own thread, which must not wait: the line is written later, on the
  // panel's thread.
  std::function<void(const std::string&)> LogNoteFromAnyThread();
  void LogNoteLine(const std::string& line, bool belowAlarmLine);
  std::string NowLine(const std::string& text) const;
  // The tray tip and title of a state without figures: "<sensor ID> 計測停止中".
  std::string StateTip(const char* state) const { return Settings.SensorId + " " + state; }

  // Measurement start and stop, status display.
  void StartMeasurement();
  // Tells the outputs nothing: its caller does, once it knows what follows (a sensor error may go
  // on to wait for the sensor).
  void StopMeasurement();
  void UpdateStatusBar();
  void UpdateAlarmLabel();

  // Notification area and visibility. Mouse messages: 0x202 left release, 0x205 right release.
  static constexpr int kLeftButtonUp = 0x202;
  static constexpr int kRightButtonUp = 0x205;
  void RegisterTrayIcon();
  void RemoveTrayIcon();
  // Adds the icon once a notification area appears after the start-up attempts.
  void RetryTrayIcon();
  void OnTrayMessage(int mouseMessage);
  void SendTipUpdate();
  void ShowPanel();
  void HidePanel();
  // Shown and not minimized.
  bool PanelVisible() const;

 protected:
  void closeEvent(QCloseEvent* event) override;  // FormCloseQuery, then FormClose
  bool event(QEvent* event) override;            // FormActivate

 private:
  void BuildControls();
  void BuildMenus();
  void FormClose();
  // The program ends: what only the panel writes is finished as a stop or an alarm's end would,
  // though the event log gets no stop line (measuring did not stop, the program did).
  void FinishRecordsAtExit();
  void InsertLine(const std::string& line);
  void DropOldestLines();
  void ReplaceTopLine(const std::string& line);
  void SetStripRed(bool red);
  void SetMeasuringLook(bool measuring);
  // The outputs learn the state and the alarm from here, once per change, never by asking.
  void TellStateChanged();
  // The box waits for OK unless the measurement cycle raised it.
  void ShowSensorErrorFor(int status, bool fromCycle = false);
  bool ReadFirstBatch();
  bool PortReady() const;
  // The sensor check, its pause and the first batch: ReaderOk, else the status to report. Runs on
  // the retry's worker too, so it touches nothing but the reader and the port.
  int ReadySensor();
  // The rest of a start with the outcome of ReadySensor.
  void CompleteStart(int sensorStatus);
  // The recovery (Tevra_recovery.cpp).
  void SetUpRecovery();
  // Reports a sensor error without a box, once per outage, and waits to try again.
  void WaitForReconnect(const std::string& errorText);
  void EndReconnectWait();
  // The sensor's answer to a try, back on the window's thread.
  void FinishRetry(int sensorStatus);
  // A settings dialog is open: measuring never starts under it.
  bool RetryBlocked() const;
  // The alarm of the tick.
  struct TAlarmLines;
  void EvaluateCompositeAlarm();
  void EvaluateIntensityAlarm();
  // One evaluation: the alarm end on a quiet one; on an exceedance the start if due, then the maxima.
  void Evaluate(const TAlarmLines& lines, double& ownMax, double own, double& otherMax, double other);
  // `criterion` names the one that fired for the machine-readable alarm.
  void AlarmStart(const std::string& firstLine, const std::string& secondLine, const char* criterion);
  void AlarmEnd();
  // The alarm's end itself: its detail file closes, its picture follows, its maximum line is written.
  void FinishAlarm();
  // The line of a format error's repeats (none for 0).
  void WriteFormatErrorRepeats(std::int64_t repeats);
  // A failed write (its text from the recorder): an operation-log line and a box that
  // does not stop the measurement.
  void ReportWriteFailure(const TStatus& status, bool belowAlarmLine = false);

  TPlatform& platform_;
  TPanelWindows& windows_;
  bool tickRunning_ = false;
  bool inCloseEvent_ = false;
  bool awaitingReconnect_ = false;
  bool retrying_ = false;
  bool retrySensorFailed_ = false;
  int reconnectTries_ = 0;  // of this outage
  int failedChecks_ = 0;    // a present device refused the check, in a row
  TFaultEpisode formatErrors_;
  QTimer trayRetry_;
  TBackgroundTask retryTask_{this};  // last: it waits for its work before the reader goes
};

}  // namespace tevra
