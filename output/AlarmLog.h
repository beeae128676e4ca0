#pragma once
// Reading back what the recording wrote: the alarms of an event log and the samples of a detail
// file, for the charts of past alarms.
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
