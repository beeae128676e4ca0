#include "output/Recorder.h"

#include "core/Tevra.h"
#include "output/RecordFileNames.h"
#include "output/RecordLines.h"

namespace tevra {
namespace {

TRecordOutcome Failed(bool messageFirst, const char* message) {
  TRecordOutcome outcome;
  outcome.Ok = false;
  outcome.StopMeasuring = true;
  outcome.MessageFirst = messageFirst;
  outcome.Message = message;
  return outcome;
}

// A detail line is at most about 1.6 kB (five doubles of 310 digits); normal ones are ~45 bytes.
constexpr std::size_t kTypicalDetailLine = 64;

}  // namespace

TRecorder::TRecorder() {
  // Reserved once so that draining a full ring allocates nothing in normal operation.
  batch_.reserve(TDetailRing::Capacity * kTypicalDetailLine);
  ends_.reserve(TDetailRing::Capacity);
}

TRecordOutcome TRecorder::OpenEventLog(const TPanelSettings& settings, std::string_view timeText) {
  if (!settings.SaveEventLog) return {};
  if (!EventLog.Open(EventLogPath(settings.EventFolder, settings.SensorId))) {
    return Failed(true, kEventLogOpenFailedText);
  }
  EventLog.Append(EventStartLine(timeText));
  return {};
}

void TRecorder::CloseForStop(const TPanelSettings& settings, std::string_view timeText) {
  DetailFile.Close();
  if (settings.SaveEventLog && EventLog.IsOpen()) EventLog.Append(EventStopLine(timeText));
  EventLog.Close();
}

bool TRecorder::WriteFormatErrorLine(std::string_view timeText) {
  return !EventLog.IsOpen() || EventLog.Append(FormatErrorLine(timeText));
}

bool TRecorder::WriteCommunicationErrorLine(std::string_view timeText) {
  return !EventLog.IsOpen() || EventLog.Append(CommunicationErrorLine(timeText));
}

TRecordOutcome TRecorder::WriteDetectionLine(const TPanelSettings& settings, std::string_view timeText,
                                             double currentIntensity, double tickMaxComposite) {
  if (!settings.SaveEventLog) return {};
  if (!EventLog.IsOpen()) return Failed(false, kDetectionLineFailedText);
  TRecordOutcome outcome;
  if (!EventLog.Append(DetectionLine(timeText, currentIntensity, tickMaxComposite))) {
    outcome.Message = kDetectionLineFailedText;
  }
  return outcome;
}

TRecordOutcome TRecorder::WriteMaximumLine(const TPanelSettings& settings, std::string_view timeText,
                                           double maxIntensity, double maxComposite) {
  if (!settings.SaveEventLog) return {};
  if (!EventLog.IsOpen()) return Failed(true, kMaximumLineFailedText);
  TRecordOutcome outcome;
  if (!EventLog.Append(MaximumLine(timeText, maxIntensity, maxComposite))) {
    outcome.Message = kMaximumLineFailedText;
  }
  return outcome;
}

TRecordOutcome TRecorder::StartAlarmRecording(const TPanelSettings& settings, const TLocalDateTime& now,
                                              const Tevra& calculator) {
  const std::string stamp = StampText(now);
  // A snapshot that cannot be written does not hinder the alarm.
  if (settings.SaveNoiseOnAlarm) calculator.SaveBaselineAs(NoiseFileName(stamp, settings.SensorId));
  if (!settings.SaveDetailData) return {};

  detailPath_ = DetailFilePath(settings.DetailFolder, stamp, settings.SensorId);
  if (!DetailFile.Open(detailPath_)) {
    return Failed(false, kDetailWriteFailedText);
  }
  // A second alarm within the same second appends to the same file: undo only our own part.
  const long long sizeAtOpen = DetailFile.Size();
  FormatBuffered();
  if (!DetailFile.Append(DetailHeaderLine(settings.SensorId)) || !DetailFile.Append(batch_)) {
    DetailFile.TruncateTo(sizeAtOpen);
    DetailFile.Close();
    TRecordOutcome outcome;
    outcome.Ok = false;
    return outcome;
  }
  ClearDetailRing(DetailRing);
  drainFailureShown_ = false;
  return {};
}

bool TRecorder::DrainDetailRing(TPlatform& platform) {
  if (!DetailFile.IsOpen()) return true;
  if (DetailRing.Count() == 0) return true;
  FormatBuffered();
  const std::size_t written = DetailFile.AppendPieces(batch_, ends_.data(), ends_.size());
  DetailRing.DropOldest(static_cast<int>(written));
  if (written == ends_.size()) return true;
  if (!drainFailureShown_) {
    // Set before the box: its nested event loop may drain again.
    drainFailureShown_ = true;
    platform.MessageBox(kDetailWriteFailedText, "", false);
  }
  return false;
}

void TRecorder::FormatBuffered() {
  batch_.clear();
  ends_.clear();
  const int count = DetailRing.Count();
  for (int i = 0; i < count; ++i) {
    AppendDetailLine(batch_, DetailRing.Oldest(i));
    ends_.push_back(batch_.size());
  }
}

}  // namespace tevra
