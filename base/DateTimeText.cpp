#include "base/DateTimeText.h"

#include <cstdio>
#include <ctime>

namespace tevra {
namespace {

TLocalDateTime FromTm(const std::tm& tm) {
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

TLocalDateTime LocalDateTimeOf(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  localtime_r(&t, &tm);
  return FromTm(tm);
}

TLocalDateTime UtcDateTimeOf(std::int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
  gmtime_r(&t, &tm);
  return FromTm(tm);
}

namespace {

std::tm ToTm(const TLocalDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.Year - 1900;
  tm.tm_mon = t.Month - 1;
  tm.tm_mday = t.Day;
  tm.tm_hour = t.Hour;
  tm.tm_min = t.Minute;
  tm.tm_sec = t.Second;
  return tm;
}

}  // namespace

std::int64_t UtcSecondsOf(const TLocalDateTime& t) {
  std::tm tm = ToTm(t);
  return static_cast<std::int64_t>(timegm(&tm));
}

std::int64_t LocalSecondsOf(const TLocalDateTime& t) {
  std::tm tm = ToTm(t);
  tm.tm_isdst = -1;  // the zone's rule for that date decides
  return static_cast<std::int64_t>(std::mktime(&tm));
}

std::string DateText(const TLocalDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", t.Year, t.Month, t.Day);
  return buf;
}

std::string TimeText(const TLocalDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.Hour, t.Minute, t.Second);
  return buf;
}

std::string DateTimeText(const TLocalDateTime& t) {
  if (t.Hour == 0 && t.Minute == 0 && t.Second == 0) return DateText(t);
  return DateText(t) + " " + TimeText(t);
}

std::string StampText(const TLocalDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d%02d%02d%02d", t.Year, t.Month, t.Day, t.Hour, t.Minute,
                t.Second);
  return buf;
}

std::string DetailTimeText(const TLocalDateTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, " %02d:%02d:%02d", t.Hour, t.Minute, t.Second);
  return buf;
}

std::string OperationLine(const std::string& timeText, const std::string& text) {
  return " " + timeText + "　" + text;
}

}  // namespace tevra
