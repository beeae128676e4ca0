#pragma once
// The alarm files: the detail ring, the event log and the detail file of the current alarm.
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTimeText.h"
#include "base/Platform.h"
#include "base/AppendFile.h"
#include "alarm/DetailRing.h"
#include "base/Outage.h"
#include "base/Result.h"
#include "settings/PanelSettings.h"

namespace tevra {

class Tevra;

// Texts of the boxes the recording's failures call for.
inline constexpr const char* kEventLogOpenFailedText =
    "警報データが書き込みできません。\r保存ファイルを開いていませんか？";
inline constexpr const char* kDetectionLineFailedText = "警報データが書き込みできません。";
inline constexpr const char* kMaximumLineFailedText = "データが書き込みできません。";
inline constexpr const char* kDetailWriteFailedText = "詳細データの書き込みに失敗しました。";

class TAlarmFiles {
 public:
  TAlarmFiles();

  TDetailRing DetailRing;
  TAppendFile EventLog;
  TAppendFile DetailFile;

  // Measurement start: with SaveEventLog, opens the event log and writes the start line. Fails
  // with kEventLogOpenFailedText when the log cannot be opened: that begins an outage, so a
  // measurement started anyway reports nothing more until a line has been written, and each line
  // opens the log again.
  TStatus OpenEventLog(const TPanelSettings& settings, std::string_view timeText);
  // Measurement stop: closes the detail file, writes the stop line and closes the event log.
  void CloseForStop(const TPanelSettings& settings, std::string_view timeText);

  // Once measuring has started no file failure stops it or repeats an alarm start. The writes
  // return the failure worth a box: the first failed write of an outage fails with the box text
  // (and the system's errno where there is one); until a write to that file succeeds again the
  // outage has been reported, and its later failures return Ok.
  // An event log or detail file that was deleted while open counts as failing, and is opened
  // again by path on the next write, so a restored folder works again.

  // The reader's failures; written only while the event log is open.
  TStatus WriteFormatErrorLine(std::string_view timeText);
  TStatus WriteFormatErrorRepeatsLine(std::string_view timeText, long long repeats);
  TStatus WriteCommunicationErrorLine(std::string_view timeText);

  // Alarm start and end, with SaveEventLog.
  TStatus WriteDetectionLine(const TPanelSettings& settings, std::string_view timeText,
                             double currentIntensity, double tickMaxComposite);
  TStatus WriteMaximumLine(const TPanelSettings& settings, std::string_view timeText, double maxIntensity,
                           double maxComposite);

  // Alarm start after the detection line: the noise snapshot (SaveNoiseOnAlarm), then, with
  // SaveDetailData, the detail file with its header and the buffered samples. What cannot be
  // written yet stays buffered and the following drains try again; a file that did not get its
  // header is removed, never left empty.
  TStatus StartAlarmRecording(const TPanelSettings& settings, const TLocalDateTime& now,
                                  const Tevra& calculator);

  // Writes the records buffered since the last drain to the detail file of the alarm (opening it
  // first when the alarm's start or an earlier drain could not). Records leave the ring only once
  // written, so what the disk refuses waits for the next drain.
  TStatus DrainDetailRing();

  // Alarm end or measurement stop.
  void CloseDetailFile();
  // Path of the open detail file; "" when none is open.
  std::string OpenDetailPath() const { return DetailFile.IsOpen() ? detailPath_ : std::string(); }

 private:
  // Formats every buffered record into batch_ and their end offsets into ends_.
  void FormatBuffered();

  // Appends a line to the event log, opening it again when it was deleted or could not be opened.
  TStatus AppendEventLine(const std::string& line, const char* failureText);
  // Opens the alarm's detail file and writes its header; false (file removed or cut back) when not.
  bool OpenDetailFile();
  // The report of a failed write: its text and errno the first time of an outage, Ok after.
  static TStatus Failure(TOutage& outage, const char* text, int err);

  std::string batch_;
  std::vector<std::size_t> ends_;
  std::string eventLogPath_;
  std::string detailPath_;  // "" when the current alarm writes no detail file
  std::string detailHeader_;
  TOutage eventLogOutage_;
  TOutage detailOutage_;
};

}  // namespace tevra
