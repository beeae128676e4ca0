#pragma once
// The program's texts of dates and times, all zero-padded, from a broken-down local time.
#include <cstdint>
#include <string>

namespace tevra {

struct TLocalDateTime {
  int Year = 1970;
  int Month = 1;  // 1..12
  int Day = 1;    // 1..31
  int Hour = 0;
  int Minute = 0;
  int Second = 0;

  friend bool operator==(const TLocalDateTime&, const TLocalDateTime&) = default;
};

// Local broken-down time of a `time` value (seconds since the epoch).
TLocalDateTime LocalDateTimeOf(std::int64_t seconds);
// The same in UTC: tests use it so that their results do not depend on the machine's time zone.
TLocalDateTime UtcDateTimeOf(std::int64_t seconds);
std::int64_t UtcSecondsOf(const TLocalDateTime& t);
// Seconds since the epoch of a local broken-down time.
std::int64_t LocalSecondsOf(const TLocalDateTime& t);

// "yyyy/mm/dd hh:mm:ss"; the date alone at exactly 00:00:00 (list lines, event log, clock).
std::string DateTimeText(const TLocalDateTime& t);
// "yyyy/mm/dd" and "hh:mm:ss" (packet fields).
std::string DateText(const TLocalDateTime& t);
std::string TimeText(const TLocalDateTime& t);
// "yyyymmddhhmmss" (file-name stamps).
std::string StampText(const TLocalDateTime& t);
// " hh:mm:ss" (detail lines).
std::string DetailTimeText(const TLocalDateTime& t);
// A line of the operation log: a blank, the time text, a full-width blank, the text.
std::string OperationLine(const std::string& timeText, const std::string& text);

}  // namespace tevra
