// The main window's measurement start and stop, sensor errors, the status bar and the automatic
// start.
#include "base/TextFormat.h"
#include "alarm/DetailRing.h"
#include "sensor/PortPermission.h"
#include "sensor/RS232C.h"
#include "ui/panel/PanelDataOutput.h"
#include "ui/panel/PanelLongPeriod.h"
#include "ui/panel/PanelMqtt.h"
#include "ui/panel/PanelViews.h"
#include "ui/panel/PanelWebOutput.h"
#include "ui/dialogs/Portset.h"
#include "ui/panel/Tevra_form.h"
#include "ui/views/Unit4.h"
#include "ui/views/Unit5.h"

namespace tevra {
namespace {

// A first read that delivers no frame is read again for about a second before the start gives
// up: the sensor may just have been slow to begin.
constexpr int kFirstBatchRetries = 10;
constexpr int kFirstBatchRetryMs = 100;

}  // namespace

void TForm1::N8Click() {
  AbandonRetry();
  UpdateStatusBar();
  StartMeasurement();
}

void TForm1::N1Click() {
  UpdateStatusBar();
  if (AwaitingReconnect()) {  // the user's stop ends the waiting; the measurement ended already
    EndReconnectWait();
    return;
  }
  AlarmState.Active = false;
  Timer1.stop();
  SetStripRed(false);
  StopMeasurement();
  TellStateChanged();
}

TStationState TForm1::StationState() const {
  return Measuring()           ? TStationState::Measuring
         : AwaitingReconnect() ? TStationState::Reconnecting
                               : TStationState::Stopped;
}

void TForm1::TellStateChanged() {
  Mqtt->StateChanged(StationState(), AlarmState.Active);
  Web->StateChanged(StationState(), AlarmState.Active);
}

void TForm1::SetMeasuringLook(bool measuring) {
  N4->setEnabled(!measuring);
  N6->setEnabled(!measuring);
  N8->setEnabled(!measuring && !awaitingReconnect_);
  N1->setEnabled(measuring || awaitingReconnect_);
  Label5->setVisible(measuring);
  Label6->setVisible(measuring);
  Label8->setVisible(!measuring);
  if (measuring) {
    Label5->setText(QStringLiteral("算出中"));
    Label6->setText(QStringLiteral("算出中"));
    Label8->setText(QString());
  } else {
    Label8->setText(awaitingReconnect_ ? QStringLiteral("再接続待ち") : QStringLiteral("停止中"));
  }
}

bool TForm1::ReadFirstBatch() {
  for (int retry = 0;; ++retry) {
    if (!Reader->ReadFrames()) return false;
    if (Reader->SampleCount() > 0 || retry == kFirstBatchRetries) return Reader->SampleCount() > 0;
    platform_.Sleep(kFirstBatchRetryMs);
  }
}

void TForm1::StartMeasurement() {
  if (!Reader) return;
  setCursor(Qt::WaitCursor);
  // A sensor that came back after an outage is found again: the error path's reopen found nothing.
  if (!PortReady()) Reader->ReopenPort();
  CompleteStart(ReadySensor());
  unsetCursor();
}

bool TForm1::PortReady() const {
  const RS232C* port = windows_.ComPortForm ? windows_.ComPortForm->Port().Port() : nullptr;
  return port && port->Status() == RS232C::PortReady;
}

int TForm1::ReadySensor() {
  if (!Reader->CheckSensor()) return Reader->ReaderStatus();
  platform_.Sleep(300);
  if (ReadFirstBatch()) return VXTRRR::ReaderOk;
  // An empty batch would give no offset and could not prime the calculator: as no data.
  return Reader->SampleCount() == 0 && Reader->ReaderStatus() <= VXTRRR::ReaderOk ? VXTRRR::ReaderNoData
                                                                                  : Reader->ReaderStatus();
}

void TForm1::CompleteStart(int sensorStatus) {
  Tick.CurrentIntensity = 0.0;
  if (sensorStatus != VXTRRR::ReaderOk) {
    ShowSensorErrorFor(sensorStatus);
    return;
  }
  Tick.Start(Reader->Samples(), Reader->SampleCount(), Calculator);
  Health->Line.Start(platform_.MonotonicMs());
  SetMeasuringLook(true);
  AlarmState.TimeText = DateTimeText(platform_.LocalNow());
  InsertLine(OperationLine(AlarmState.TimeText, "計測開始"));
  if (const TStatus opened = AlarmFiles.OpenEventLog(Settings, AlarmState.TimeText); !opened.Ok()) {
    if (!Settings.AutoStart) {
      platform_.MessageBox(opened.Error().Message, "", false);
      StopMeasurement();
      return;
    }
    // Nobody may be there to answer a box, and the other alarm outputs work: measure, and let each
    // line of the log try its folder again (a disk mounted late).
    ReportWriteFailure(opened);
  }
  // Published only now: a start that stops must leave nothing in the archive or the stream.
  DataOutput->Feed(*Reader);
  Timer2.start();
  Timer4.start();
  if (windows_.Form5) windows_.Form5->ResetGraph();
  ClearDetailRing(AlarmFiles.DetailRing);
  TellStateChanged();
}

void TForm1::StopMeasurement() {
  Timer2.stop();
  Health->Line.Stop();
  Timer1.stop();
  AlarmState.Active = false;
  if (Tick.LongPeriod.AlarmRecording()) ReportWriteFailure(LongPeriod->AlarmEnded());
  AlarmState.TimeText = DateTimeText(platform_.LocalNow());
  SetMeasuringLook(false);
  WriteFormatErrorRepeats(formatErrors_.End());
  InsertLine(OperationLine(AlarmState.TimeText, "計測終了"));
  TipText = StateTip("計測停止中");
  SendTipUpdate();
  Timer4.stop();
  Views->MeasurementStopping(AlarmFiles.OpenDetailPath());
  AlarmFiles.CloseForStop(Settings, AlarmState.TimeText);
  DataOutput->Stop();
}

void TForm1::ShowSensorErrorFor(int status, bool fromCycle) {
  if (Reader) Reader->ReopenPort();
  const std::string text = windows_.ComPortForm ? SensorErrorTextFor(status, windows_.ComPortForm->Port())
                                                : SensorErrorTextFor(status, nullptr);
  if (Settings.AutoStart) {
    WaitForReconnect(text);
  } else if (fromCycle) {
    platform_.Notice(text, "", true);
  } else {
    platform_.ErrorDialog(text);
  }
  SetStripRed(false);
  BlinkOn = false;
  TellStateChanged();  // waiting for the sensor, or stopped
}

void TForm1::UpdateStatusBar() {
  const ComPort& port = windows_.ComPortForm->Port();
  const RS232C* open = port.Port();
  const int number = open ? open->PortNumber() : port.Settings().ReadInteger(ComPort::Section, "COM", 1);
  const bool ready = open && open->Status() == RS232C::PortReady;
  const std::string texts[4] = {
      Printf("COM %d: %s", number, ready ? "READY" : "NG"),
      Printf("IP: %s", Network.LocalAddress.c_str()),
      Printf("PORT: %d", Settings.UdpPort),
      Printf("ID: %s", Settings.SensorId.c_str()),
  };
  for (int i = 0; i < 4; ++i) StatusPanels[i]->setText(QString::fromStdString(texts[i]));
  // "NG" alone does not say whether the device is missing, held by another program or refused.
  const TStatus readiness = port.Readiness();
  StatusPanels[0]->setToolTip(readiness ? QString() : QString::fromStdString(readiness.Error().Message));
}

void TForm1::Timer5Timer() {
  if (windows_.Form4 && windows_.Form4->isVisible()) return;  // the countdown waits for the splash
  if (AutoStartCountdown != 0) {
    Label2->setText(QString());
    --AutoStartCountdown;
    return;
  }
  Label5->setText(QString());
  UpdateAlarmLabel();
  N2->menuAction()->setEnabled(true);
  N3->menuAction()->setEnabled(true);
  Timer5.stop();
  Reader = std::make_unique<VXTRRR>(windows_.ComPortForm->Port(), platform_);
  Reader->ReopenPort();
  StartMeasurement();
  if (!Measuring()) SetMeasuringLook(false);  // not the set-up look forever
}

}  // namespace tevra
