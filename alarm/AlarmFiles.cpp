#include "alarm/AlarmFiles.h"

#include <cerrno>

#include "core/Tevra.h"
#include "alarm/AlarmFileNames.h"
#include "alarm/AlarmFileLines.h"

namespace tevra {
namespace {

// A detail line is at most about 1.6 kB (five doubles of 310 digits); normal ones are ~45 bytes.
constexpr std::size_t kTypicalDetailLine = 64;

}  // namespace

TAlarmFiles::TAlarmFiles() {
  // Reserved once so that draining a full ring allocates nothing in normal operation.
  batch_.reserve(TDetailRing::Capacity * kTypicalDetailLine);
  ends_.reserve(TDetailRing::Capacity);
}

TStatus TAlarmFiles::OpenEventLog(const TPanelSettings& settings, std::string_view timeText) {
  eventLogOutage_ = {};
  detailOutage_ = {};
  if (!settings.SaveEventLog) return {};
  eventLogPath_ = EventLogPath(settings.EventFolder, settings.SensorId);
  errno = 0;
  if (!EventLog.Open(eventLogPath_)) {
    // The caller reports it; the lines that follow only try again.
    return Failure(eventLogOutage_, kEventLogOpenFailedText, errno);
  }
  EventLog.Append(EventStartLine(timeText));
  return {};
}

void TAlarmFiles::CloseForStop(const TPanelSettings& settings, std::string_view timeText) {
  CloseDetailFile();
  // A stop line that cannot be written is not worth a box: measuring ends anyway.
  if (settings.SaveEventLog) static_cast<void>(AppendEventLine(EventStopLine(timeText), ""));
  EventLog.Close();
  eventLogPath_.clear();
}

TStatus TAlarmFiles::Failure(TOutage& outage, const char* text, int err) {
  if (!outage.Failed()) return {};
  return TError{text, err};
}

TStatus TAlarmFiles::AppendEventLine(const std::string& line, const char* failureText) {
  errno = 0;  // a file deleted while open fails without a system error
  if (EventLog.IsOpen() && EventLog.Vanished()) EventLog.Close();
  if (!EventLog.IsOpen() && !eventLogPath_.empty()) EventLog.Open(eventLogPath_);
  if (!EventLog.Append(line)) return Failure(eventLogOutage_, failureText, errno);
  eventLogOutage_.Succeeded();
  return {};
}

TStatus TAlarmFiles::WriteFormatErrorLine(std::string_view timeText) {
  if (eventLogPath_.empty()) return {};
  return AppendEventLine(FormatErrorLine(timeText), kMaximumLineFailedText);
}

TStatus TAlarmFiles::WriteFormatErrorRepeatsLine(std::string_view timeText, long long repeats) {
  if (eventLogPath_.empty()) return {};
  return AppendEventLine(FormatErrorRepeatsLine(timeText, repeats), kMaximumLineFailedText);
}

TStatus TAlarmFiles::WriteCommunicationErrorLine(std::string_view timeText) {
  if (eventLogPath_.empty()) return {};
  return AppendEventLine(CommunicationErrorLine(timeText), kMaximumLineFailedText);
}

TStatus TAlarmFiles::WriteDetectionLine(const TPanelSettings& settings, std::string_view timeText,
                                        double currentIntensity, double tickMaxComposite) {
  if (!settings.SaveEventLog) return {};
  return AppendEventLine(DetectionLine(timeText, currentIntensity, tickMaxComposite),
                         kDetectionLineFailedText);
}

TStatus TAlarmFiles::WriteMaximumLine(const TPanelSettings& settings, std::string_view timeText,
                                      double maxIntensity, double maxComposite) {
  if (!settings.SaveEventLog) return {};
  return AppendEventLine(MaximumLine(timeText, maxIntensity, maxComposite), kMaximumLineFailedText);
}

TStatus TAlarmFiles::StartAlarmRecording(const TPanelSettings& settings, const TLocalDateTime& now,
                                         const Tevra& calculator) {
  const std::string stamp = StampText(now);
  // A snapshot that cannot be written does not hinder the alarm.
  if (settings.SaveNoiseOnAlarm) calculator.SaveBaselineAs(NoiseFileName(stamp, settings.SensorId));
  CloseDetailFile();
  if (!settings.SaveDetailData) return {};
  detailPath_ = DetailFilePath(settings.DetailFolder, stamp, settings.SensorId);
  detailHeader_ = DetailHeaderLine(settings.SensorId);
  return DrainDetailRing();
}

bool TAlarmFiles::OpenDetailFile() {
  if (!DetailFile.Open(detailPath_)) return false;
  // A second alarm within the same second appends to the same file: undo only our own part.
  const long long sizeAtOpen = DetailFile.Size();
  if (DetailFile.Append(detailHeader_)) return true;
  const int err = errno;  // the write's reason, not the clean-up's
  if (sizeAtOpen == 0) {
    DetailFile.Remove();
  } else {
    DetailFile.TruncateTo(sizeAtOpen);
    DetailFile.Close();
  }
  errno = err;
  return false;
}

TStatus TAlarmFiles::DrainDetailRing() {
  if (detailPath_.empty()) return {};
  // A deleted file is started anew, header first, where its folder still or again exists.
  errno = 0;
  if (DetailFile.IsOpen() && DetailFile.Vanished()) DetailFile.Close();
  if (!DetailFile.IsOpen() && !OpenDetailFile()) return Failure(detailOutage_, kDetailWriteFailedText, errno);
  if (DetailRing.Count() > 0) {
    FormatBuffered();
    const std::size_t written = DetailFile.AppendPieces(batch_, ends_.data(), ends_.size());
    const int err = errno;
    DetailRing.DropOldest(static_cast<int>(written));
    if (written != ends_.size()) return Failure(detailOutage_, kDetailWriteFailedText, err);
  }
  detailOutage_.Succeeded();
  return {};
}

void TAlarmFiles::CloseDetailFile() {
  DetailFile.Close();
  detailPath_.clear();
}

void TAlarmFiles::FormatBuffered() {
  batch_.clear();
  ends_.clear();
  const int count = DetailRing.Count();
  for (int i = 0; i < count; ++i) {
    AppendDetailLine(batch_, DetailRing.Oldest(i));
    ends_.push_back(batch_.size());
  }
}

}  // namespace tevra
