#pragma once
// Reading back what the recording wrote: the alarms of an event log and the samples of a detail
// file, for the charts of past alarms.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/DateTimeText.h"

namespace tevra {

// One alarm of the event log: its detection line and, unless measuring stopped during it, its
// maximum line.
struct TAlarmEntry {
  TLocalDateTime Detected;
  double DetectedIntensity = 0.0;
  double DetectedComposite = 0.0;
  bool HasMaximum = false;
  TLocalDateTime MaximumAt;  // time of the last new maximum, not the alarm's end
  double MaxIntensity = 0.0;
  double MaxComposite = 0.0;

  // The largest figures known: the maximum line's, else the detection's.
  double LargestIntensity() const { return HasMaximum ? MaxIntensity : DetectedIntensity; }
  double LargestComposite() const { return HasMaximum ? MaxComposite : DetectedComposite; }
};

// "yyyy/mm/dd hh:mm:ss" or, at exactly midnight, "yyyy/mm/dd"; false for anything else.
bool ParseDateTimeText(std::string_view text, TLocalDateTime& t);

// The alarms of an event log's bytes (CP932), oldest first. A detection line opens an alarm and
// the next maximum line closes it; a start or stop line, or another detection, in between leaves
// it without a maximum. Lines that do not parse are skipped.
std::vector<TAlarmEntry> ParseAlarmLog(std::string_view cp932);
std::vector<TAlarmEntry> ReadAlarmLog(const std::string& path);

// The same, one line (CP932, without its '\n') at a time.
class TAlarmLogParser {
 public:
  void Line(std::string_view cp932);
  std::vector<TAlarmEntry> Alarms;

 private:
  bool open_ = false;
  std::vector<std::string_view> fields_;
};

// The alarms of an event log that grows at its end: each Update reads only the bytes appended since
// the last one. A file that shrank, was replaced or rewritten in place is read again from the start;
// one that cannot be read has no alarms.
class TAlarmLogFollower {
 public:
  const std::vector<TAlarmEntry>& Update(const std::string& path);
  // The bytes of the file read so far, all updates together.
  std::uint64_t BytesRead() const { return bytesRead_; }

 private:
  void StartOver(const std::string& path, std::uint64_t device, std::uint64_t inode);
  bool StillHolds(int fd) const;
  void Take(std::string_view bytes);

  std::string path_;
  std::uint64_t device_ = 0;
  std::uint64_t inode_ = 0;
  std::uint64_t offset_ = 0;
  std::string seen_;     // the last bytes before offset_, to notice a rewrite of the same size
  std::string pending_;  // the last line, while it has no '\n'
  TAlarmLogParser parser_;
  std::vector<TAlarmEntry> alarms_;
  std::uint64_t bytesRead_ = 0;
};

// The samples of a detail file, oldest first, 100 a second.
struct TDetailSamples {
  std::vector<int> SecondOfDay;  // of the tick that buffered the sample
  std::vector<double> X, Y, Z, Intensity, Composite;
  std::size_t Size() const { return X.size(); }
};
// Reads a detail file; the header and damaged lines are skipped. False when it cannot be read.
bool ReadDetailFile(const std::string& path, TDetailSamples& samples);
// Index of the first sample buffered at `detected`'s time of day or later (the day may wrap at
// midnight); -1 when none is.
int DetectionIndex(const TDetailSamples& samples, const TLocalDateTime& detected);

// The detail file of an alarm detected at `detected`: its stamp is the clock a moment after the
// detection tick, so up to two seconds later. "" when no such file exists.
std::string FindDetailFile(const std::string& detailFolder, std::string_view sensorId,
                           const TLocalDateTime& detected);
// The start stamp in a detail file's name ("yyyymmddhhmmss_<id>.csv"); false when it has none.
bool DetailFileStamp(const std::string& path, TLocalDateTime& stamp);

}  // namespace tevra
