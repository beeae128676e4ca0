#pragma once
// The intensity history: per minute of measuring, the largest intensity and the largest composite
// acceleration, one ASCII line a minute in "history/YYYYMMDD.csv". Lines are appended as each
// minute ends, so a crash loses at most the minute in progress.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTimeText.h"
#include "base/Outage.h"
#include "settings/PanelSettings.h"

namespace tevra {

struct THistoryMinute {
  TLocalDateTime Minute;  // seconds always 0
  double Intensity = 0.0;
  double Composite = 0.0;  // gal
};

// "yyyy/mm/dd hh:mm,<intensity %.2f>,<composite %.1f>\n"
std::string HistoryLine(const THistoryMinute& m);
// Parses one line (a trailing CR or LF allowed); false for anything else.
bool ParseHistoryLine(std::string_view line, THistoryMinute& m);

// The folder the history goes into: the event log's, or the working directory when the event log
// is off.
std::string HistoryBaseFolder(const TPanelSettings& settings);
// "<folder>/history" and the day's file in it.
std::string HistoryFolder(const std::string& baseFolder);
std::string HistoryFilePath(const std::string& baseFolder, const TLocalDateTime& day);

// Local wall-clock time as a plain count of seconds (calendar arithmetic, no time zone).
std::int64_t WallSeconds(const TLocalDateTime& t);
TLocalDateTime WallTime(std::int64_t wallSeconds);

class THistoryWriter {
 public:
  enum TWriteResult {
    hwWritten,       // nothing waits
    hwFirstFailure,  // the first failure of an outage: worth one line in the operation log
    hwStillFailing,  // the outage goes on; the minutes wait in memory
  };
  // A week of minutes waits for the disk; beyond that the oldest minute goes.
  static constexpr std::size_t MaxWaiting = 7 * 24 * 60;

  // Takes a tick's figures; true when a minute has ended and waits to be written.
  bool Add(const TLocalDateTime& t, double intensity, double composite);
  // Measurement stop: the minute in progress ends here.
  void EndMinute();
  // Appends every waiting minute to its day's file under `baseFolder`, creating the folder.
  TWriteResult WriteWaiting(const std::string& baseFolder);

  std::size_t Waiting() const { return waiting_.size(); }

 private:
  bool haveMinute_ = false;
  THistoryMinute current_;
  std::deque<THistoryMinute> waiting_;
  TOutage outage_;
};

// The minutes from `from` to `to` (inclusive, local wall-clock) read from the days' files, oldest
// first; damaged lines are skipped, a minute written twice (a stop and a start within it) keeps
// the larger figures.
std::vector<THistoryMinute> ReadHistory(const std::string& baseFolder, const TLocalDateTime& from,
                                        const TLocalDateTime& to);

// Splits minutes into runs without a missing minute, so a chart draws a gap rather than a line
// across it.
std::vector<std::vector<THistoryMinute>> SplitAtGaps(const std::vector<THistoryMinute>& minutes);

}  // namespace tevra
