// The measurement cycle: every 100 ms the sensor's frames become figures, and the alarm runs.
#include <chrono>

#include "base/TextFormat.h"
#include "alarm/AlarmCriteria.h"
#include "alarm/DetailRing.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelLongPeriod.h"
#include "ui/panel/PanelMqtt.h"
#include "ui/panel/PanelWebOutput.h"
#include "ui/panel/PanelViews.h"
#include "ui/panel/Tevra_form.h"
#include "ui/views/Unit5.h"

namespace tevra {
namespace {

// Marks a tick as running for its whole length: message boxes inside a tick run nested event
// loops in which Timer2 keeps firing, and such a tick must not run inside the first.
class TTickGuard {
 public:
  explicit TTickGuard(bool& running) : running_(running), entered_(!running) { running_ = true; }
  ~TTickGuard() {
    if (entered_) running_ = false;
  }
  bool Entered() const { return entered_; }

 private:
  bool& running_;
  bool entered_;
};

// Measures a tick for the panel's benchmark (printed at the end when TEVRA_TICK_STATS is set).
class TTickTimer {
 public:
  explicit TTickTimer(TTickDurations& d) : d_(d), start_(std::chrono::steady_clock::now()) {}
  ~TTickTimer() {
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
    ++d_.Ticks;
    if (ms > d_.LongestMs) d_.LongestMs = ms;
  }

 private:
  TTickDurations& d_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

void TForm1::Timer2Timer() {
  TTickGuard guard(tickRunning_);
  if (!guard.Entered() || !Reader) return;
  const TTickTimer timer(TickDurations);
  WriteFormatErrorRepeats(formatErrors_.CountDue(platform_.MonotonicMs()));

  if (!Reader->ReadFrames()) {
    const int status = Reader->ReaderStatus();
    Health->Line.Failure(status);
    AlarmState.TimeText = DateTimeText(platform_.LocalNow());
    if (status == VXTRRR::ReaderFormatError) {
      DataOutput->BatchLost();
      if (formatErrors_.Occurred(platform_.MonotonicMs())) {
        InsertLine(OperationLine(AlarmState.TimeText, "データフォーマットエラー発生"));
        ReportWriteFailure(AlarmFiles.WriteFormatErrorLine(AlarmState.TimeText));
      }
      Reader->CheckSensor();
      return;
    }
    InsertLine(OperationLine(AlarmState.TimeText, "通信エラー発生"));
    // The sensor error's box follows; a log that cannot take the line adds nothing to it.
    static_cast<void>(AlarmFiles.WriteCommunicationErrorLine(AlarmState.TimeText));
    StopMeasurement();
    ShowSensorErrorFor(status, true);
    Reader->CheckSensor();
    return;
  }

  TickTime = platform_.LocalNow();
  DataOutput->Feed(*Reader);
  const int n = Reader->SampleCount();
  Health->Line.Frames(platform_.MonotonicMs(), Reader->Samples(), n);
  // Conversion, offset removal, composite and the calculator; the graph plots the same samples.
  Tick.Process(Reader->Samples(), n, &Calculator);
  if (windows_.Form5) windows_.Form5->PlotSamples(Tick.TickSamples.data(), n);
  if (Tick.IntensityUpdated) Label5->setText(QString::fromStdString(Printf("%1.1f", Tick.CurrentIntensity)));
  Label6->setText(QString::fromStdString(Printf("%.1f", Tick.TickMaxComposite)));
  if (Tick.IntensityUpdated) Mqtt->NewIntensity(Tick.CurrentIntensity, Tick.TickMaxComposite);
  Views->AfterTick();
  PushTickRecords(AlarmFiles.DetailRing, TickTime, Tick.TickSamples.data(), Tick.TickComposite.data(), n,
                  Tick.CurrentIntensity);

  if (Settings.AlarmKind == akCompositeAcceleration) {
    EvaluateCompositeAlarm();
  } else {
    EvaluateIntensityAlarm();
  }
  SendTipUpdate();
  Web->AfterTick();
}

// The list lines of an alarm kind after their time (OperationLine puts it first). The kind's own
// quantity draws the lines; the other one's maximum is raised without a line.
struct TForm1::TAlarmLines {
  const char* First;
  const char* Second;
  const char* Maximum;
};

void TForm1::EvaluateCompositeAlarm() {
  static constexpr TAlarmLines kLines{"検出加速度　%.1f gal", "最大加速度　%.1f gal",
                                      "最大加速度　%1.1f gal"};
  const char* id = Settings.SensorId.c_str();
  TipText = Printf("%s 合成加速度%.1fgal", id, Tick.TickMaxComposite);
  Evaluate(kLines, AlarmState.MaxComposite, Tick.TickMaxComposite, AlarmState.MaxIntensity,
           Tick.CurrentIntensity);
  if (AlarmState.Active) {
    TipText = Printf("%s 最大合成加速度 %.1fgal 警報出力中", id, AlarmState.MaxComposite);
    ReportWriteFailure(AlarmFiles.DrainDetailRing(), true);
  }
}

void TForm1::EvaluateIntensityAlarm() {
  static constexpr TAlarmLines kLines{"地震検出　%1.1f", "最大震度　%1.1f", "最大震度　%1.1f"};
  const char* id = Settings.SensorId.c_str();
  // Only a new intensity is evaluated; about every fifth tick brings one.
  if (Tick.IntensityUpdated) {
    TipText = Printf("%s 計測震度%2.1f", id, Tick.CurrentIntensity);
    Evaluate(kLines, AlarmState.MaxIntensity, Tick.CurrentIntensity, AlarmState.MaxComposite,
             Tick.TickMaxComposite);
  }
  if (AlarmState.Active) {
    TipText = Printf("%s 最大震度%1.1f 警報出力中", id, AlarmState.MaxIntensity);
    ReportWriteFailure(AlarmFiles.DrainDetailRing(), true);
  }
}

void TForm1::Evaluate(const TAlarmLines& lines, double& ownMax, double own, double& otherMax, double other) {
  // Either criterion is an exceedance: one alarm, held from the last exceedance of either.
  const bool ownCriterion = IsExceedance(Settings, Tick.CurrentIntensity, Tick.TickMaxComposite);
  const bool longPeriod = LongPeriod->TakeExceedance();
  if (!ownCriterion && !longPeriod) {
    AlarmEnd();
    return;
  }
  AlarmState.LastExceedTime = AlarmClockSeconds(platform_);
  const bool starts = !AlarmState.Active;
  if (starts) {
    const std::string t = DateTimeText(TickTime);
    const char* criterion = !ownCriterion                                 ? "long_period"
                            : Settings.AlarmKind == akCompositeAcceleration ? "acceleration"
                                                                            : "intensity";
    AlarmStart(OperationLine(t, Printf(lines.First, own)), OperationLine(t, Printf(lines.Second, own)),
               criterion);
    LongPeriod->AlarmStarted(ownCriterion, longPeriod);
  }
  if (!PanelVisible()) ShowPanel();
  if (otherMax < other) otherMax = other;
  if (ownMax < own) {
    ownMax = own;
    AlarmState.TimeText = DateTimeText(TickTime);
    ReplaceTopLine(OperationLine(AlarmState.TimeText, Printf(lines.Maximum, ownMax)));
  }
  AlarmState.Active = true;
  if (starts) TellStateChanged();
}

// The alarm starts once, whatever the disk says: a file that cannot be written is reported (once
// per outage) and tried again on the following ticks, and the start is never repeated for it.
void TForm1::AlarmStart(const std::string& firstLine, const std::string& secondLine, const char* criterion) {
  AlarmState.MaxIntensity = Tick.CurrentIntensity;
  AlarmState.MaxComposite = Tick.TickMaxComposite;
  ShowPanel();
  AlarmState.TimeText = DateTimeText(TickTime);
  InsertLine(firstLine);
  InsertLine(secondLine);
  Network.SendEventPacket(Settings, TickTime, Tick.CurrentIntensity, Tick.TickMaxComposite, platform_);
  Mqtt->AlarmStarted(Tick.CurrentIntensity, Tick.TickMaxComposite, criterion);
  ReportWriteFailure(AlarmFiles.WriteDetectionLine(Settings, AlarmState.TimeText, Tick.CurrentIntensity,
                                                 Tick.TickMaxComposite),
                     true);
  ReportWriteFailure(AlarmFiles.StartAlarmRecording(Settings, platform_.LocalNow(), Calculator), true);
  Timer1.start();
  platform_.RaiseWindow();
}

void TForm1::AlarmEnd() {
  if (!AlarmState.Active || !AlarmEndDue(AlarmClockSeconds(platform_), AlarmState.LastExceedTime)) return;
  FinishAlarm();
  TellStateChanged();
}

void TForm1::FinishAlarm() {
  AlarmState.Active = false;
  Timer1.stop();
  SetStripRed(false);
  const std::string detailPath = AlarmFiles.OpenDetailPath();
  AlarmFiles.CloseDetailFile();
  Views->AlarmEnded(detailPath);
  Mqtt->AlarmEnded(AlarmState.MaxIntensity, AlarmState.MaxComposite, detailPath);
  ReportWriteFailure(AlarmFiles.WriteMaximumLine(Settings, AlarmState.TimeText, AlarmState.MaxIntensity,
                                               AlarmState.MaxComposite));
  ReportWriteFailure(LongPeriod->AlarmEnded());
}

void TForm1::WriteFormatErrorRepeats(std::int64_t repeats) {
  if (repeats == 0) return;
  const std::string time = DateTimeText(platform_.LocalNow());
  LogNoteLine(
      OperationLine(time, Printf("データフォーマットエラー繰り返し　%lld回", static_cast<long long>(repeats))),
      AlarmState.Active);
  ReportWriteFailure(AlarmFiles.WriteFormatErrorRepeatsLine(time, repeats));
}

void TForm1::FinishRecordsAtExit() {
  WriteFormatErrorRepeats(formatErrors_.End());
  if (AlarmState.Active) FinishAlarm();
  Views->ProgramEnding();
}

void TForm1::ReportWriteFailure(const TStatus& status, bool belowAlarmLine) {
  if (status.Ok()) return;
  const std::string& text = status.Error().Message;
  // Its own time text: the event log's maximum line keeps the time of the alarm's lines.
  LogNoteLine(NowLine(text), belowAlarmLine);
  platform_.Notice(text, "", false);
}

void TForm1::Timer1Timer() {
  if (BlinkOn) {
    SetStripRed(false);
    BlinkOn = false;
  } else {
    SetStripRed(true);
    BlinkOn = true;
    platform_.AlarmSound();
  }
}

}  // namespace tevra
