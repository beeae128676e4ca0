#include "history/HistoryFile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "base/AtomicFile.h"
#include "base/NumberParse.h"
#include "base/AppendFile.h"

namespace tevra {
namespace {

bool SameMinute(const TLocalDateTime& a, const TLocalDateTime& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day && a.Hour == b.Hour && a.Minute == b.Minute;
}

bool SameDay(const TLocalDateTime& a, const TLocalDateTime& b) {
  return a.Year == b.Year && a.Month == b.Month && a.Day == b.Day;
}

}  // namespace

std::string HistoryLine(const THistoryMinute& m) {
  char line[720];
  std::snprintf(line, sizeof line, "%04d/%02d/%02d %02d:%02d,%.2f,%.1f\n", m.Minute.Year, m.Minute.Month,
                m.Minute.Day, m.Minute.Hour, m.Minute.Minute, m.Intensity, m.Composite);
  return line;
}

bool ParseHistoryLine(std::string_view line, THistoryMinute& m) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  // "YYYY/MM/DD HH:MM," then the two figures.
  TLocalDateTime t;
  if (line.size() < 17 || line[4] != '/' || line[7] != '/' || line[10] != ' ' || line[13] != ':' ||
      line[16] != ',' || !ParseDigits(line, 0, 4, t.Year) || !ParseDigits(line, 5, 2, t.Month) ||
      !ParseDigits(line, 8, 2, t.Day) || !ParseDigits(line, 11, 2, t.Hour) ||
      !ParseDigits(line, 14, 2, t.Minute)) {
    return false;
  }
  if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31 || t.Hour > 23 || t.Minute > 59) return false;
  const std::string_view rest = line.substr(17);
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) return false;
  double intensity = 0.0, composite = 0.0;
  if (!ParseFinite(rest.substr(0, comma), intensity) || !ParseFinite(rest.substr(comma + 1), composite)) {
    return false;
  }
  m.Minute = t;
  m.Intensity = intensity;
  m.Composite = composite;
  return true;
}

std::string HistoryBaseFolder(const TPanelSettings& settings) {
  return settings.SaveEventLog ? settings.EventFolder : CurrentDirectory();
}

std::string HistoryFolder(const std::string& baseFolder) {
  return JoinPath(baseFolder, "history");
}

std::string HistoryFilePath(const std::string& baseFolder, const TLocalDateTime& day) {
  char name[32];
  std::snprintf(name, sizeof name, "%04d%02d%02d.csv", day.Year, day.Month, day.Day);
  return JoinPath(HistoryFolder(baseFolder), name);
}

std::int64_t WallSeconds(const TLocalDateTime& t) {
  return UtcSecondsOf(t);
}
TLocalDateTime WallTime(std::int64_t wallSeconds) {
  return UtcDateTimeOf(wallSeconds);
}

bool THistoryWriter::Add(const TLocalDateTime& t, double intensity, double composite) {
  bool ended = false;
  if (haveMinute_ && !SameMinute(current_.Minute, t)) {
    EndMinute();
    ended = true;
  }
  if (!haveMinute_) {
    // Both figures are never negative: a minute starts at zero, so a NaN cannot become its maximum.
    current_ = {t, 0.0, 0.0};
    current_.Minute.Second = 0;
    haveMinute_ = true;
  }
  if (intensity > current_.Intensity) current_.Intensity = intensity;
  if (composite > current_.Composite) current_.Composite = composite;
  return ended;
}

void THistoryWriter::EndMinute() {
  if (!haveMinute_) return;
  haveMinute_ = false;
  if (waiting_.size() == MaxWaiting) waiting_.pop_front();
  waiting_.push_back(current_);
}

THistoryWriter::TWriteResult THistoryWriter::WriteWaiting(const std::string& baseFolder) {
  if (waiting_.empty()) return hwWritten;
  std::error_code ec;
  std::filesystem::create_directories(HistoryFolder(baseFolder), ec);
  TAppendFile file;
  TLocalDateTime openDay{0, 0, 0};
  while (!waiting_.empty()) {
    const THistoryMinute& m = waiting_.front();
    if (!file.IsOpen() || !SameDay(openDay, m.Minute)) {
      openDay = m.Minute;
      if (!file.Open(HistoryFilePath(baseFolder, m.Minute))) break;
    }
    if (!file.Append(HistoryLine(m))) break;
    waiting_.pop_front();
  }
  if (waiting_.empty()) {
    outage_.Succeeded();
    return hwWritten;
  }
  return outage_.Failed() ? hwFirstFailure : hwStillFailing;
}

std::vector<THistoryMinute> ReadHistory(const std::string& baseFolder, const TLocalDateTime& from,
                                        const TLocalDateTime& to) {
  std::vector<std::pair<std::int64_t, THistoryMinute>> minutes;
  const std::int64_t first = WallSeconds(from), last = WallSeconds(to);
  if (last < first) return {};
  TLocalDateTime day = from;
  day.Hour = day.Minute = day.Second = 0;
  for (std::int64_t d = WallSeconds(day); d <= last; d += 86400) {
    std::string bytes;
    if (!ReadWholeFile(HistoryFilePath(baseFolder, WallTime(d)), bytes)) continue;
    std::size_t start = 0;
    while (start < bytes.size()) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      THistoryMinute m;
      if (ParseHistoryLine(std::string_view(bytes).substr(start, end - start), m)) {
        const std::int64_t s = WallSeconds(m.Minute);
        if (s >= first && s <= last) minutes.emplace_back(s, m);
      }
      start = end + 1;
    }
  }
  std::stable_sort(minutes.begin(), minutes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<THistoryMinute> merged;
  for (const auto& [s, m] : minutes) {
    if (!merged.empty() && merged.back().Minute == m.Minute) {
      merged.back().Intensity = std::max(merged.back().Intensity, m.Intensity);
      merged.back().Composite = std::max(merged.back().Composite, m.Composite);
    } else {
      merged.push_back(m);
    }
  }
  return merged;
}

std::vector<std::vector<THistoryMinute>> SplitAtGaps(const std::vector<THistoryMinute>& minutes) {
  std::vector<std::vector<THistoryMinute>> runs;
  for (std::size_t i = 0; i < minutes.size(); ++i) {
    if (i == 0 || WallSeconds(minutes[i].Minute) - WallSeconds(minutes[i - 1].Minute) != 60)
      runs.emplace_back();
    runs.back().push_back(minutes[i]);
  }
  return runs;
}

}  // namespace tevra
