#pragma once
// The panel's recording: the detail ring, the event log and the detail file of the current alarm.
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTimeText.h"
#include "base/Platform.h"
#include "output/AppendFile.h"
#include "output/DetailRing.h"
#include "output/PanelSettings.h"
#include "output/RecordOutcome.h"

namespace tevra {

class Tevra;

// Texts of the boxes the recording's failures call for.
inline constexpr const char* kEventLogOpenFailedText =
    "警報データが書き込みできません。\r保存ファイルを開いていませんか？";
inline constexpr const char* kDetectionLineFailedText = "警報データが書き込みできません。";
inline constexpr const char* kMaximumLineFailedText = "データが書き込みできません。";
inline constexpr const char* kDetailWriteFailedText = "詳細データの書き込みに失敗しました。";

class TRecorder {
 public:
  TRecorder();

  TDetailRing DetailRing;
  TAppendFile EventLog;
  TAppendFile DetailFile;

  // Measurement start: with SaveEventLog, opens the event log and writes the start line. A log
  // that cannot be opened asks for the box, then the stop.
  TRecordOutcome OpenEventLog(const TPanelSettings& settings, std::string_view timeText);
  // Measurement stop: closes the detail file, writes the stop line and closes the event log.
  void CloseForStop(const TPanelSettings& settings, std::string_view timeText);

  // The reader's failures; written only while the event log is open. False when a write failed.
  bool WriteFormatErrorLine(std::string_view timeText);
  bool WriteCommunicationErrorLine(std::string_view timeText);

  // Alarm start and end. Without an open event log (and SaveEventLog set) they fail and ask for
  // the stop and the box (detection: stop, then box; maximum: box, then stop). A line the disk
  // refuses is reported with the same box while measuring goes on.
  TRecordOutcome WriteDetectionLine(const TPanelSettings& settings, std::string_view timeText,
                                    double currentIntensity, double tickMaxComposite);
  TRecordOutcome WriteMaximumLine(const TPanelSettings& settings, std::string_view timeText,
                                  double maxIntensity, double maxComposite);

  // Alarm start after the detection line: the noise snapshot (SaveNoiseOnAlarm), then the detail
  // file with its header and the buffered samples. A file that cannot be opened asks for the stop,
  // then the box; a failed header or first drain closes the file again, leaves it as it was and
  // keeps the samples buffered for the next attempt.
  TRecordOutcome StartAlarmRecording(const TPanelSettings& settings, const TLocalDateTime& now,
                                     const Tevra& calculator);

  // Writes the records buffered since the last drain to the detail file. Records leave the ring
  // only once written, so what the disk refuses waits for the next drain; the first failure of
  // an alarm shows a box. True when no file is open or everything was written.
  bool DrainDetailRing(TPlatform& platform);

  // Alarm end or measurement stop.
  void CloseDetailFile() { DetailFile.Close(); }
  // Path of the open detail file; "" when none is open.
  std::string OpenDetailPath() const { return DetailFile.IsOpen() ? detailPath_ : std::string(); }

 private:
  // Formats every buffered record into batch_ and their end offsets into ends_.
  void FormatBuffered();

  std::string batch_;
  std::string detailPath_;
  std::vector<std::size_t> ends_;
  bool drainFailureShown_ = false;
};

}  // namespace tevra
