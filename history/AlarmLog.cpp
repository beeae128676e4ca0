#include "history/AlarmLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/Cp932.h"
#include "base/NumberParse.h"
#include "history/HistoryFile.h"
#include "alarm/AlarmFileNames.h"

namespace tevra {
namespace {

bool ValidDateTime(const TLocalDateTime& t) {
  return t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour <= 23 && t.Minute <= 59 &&
         t.Second <= 60;
}

// The comma-separated fields of a line into `fields` (reused, so a long file allocates once).
void Fields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(
        line.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
    if (comma == std::string_view::npos) return;
    start = comma + 1;
  }
}

// " hh:mm:ss" of a detail line.
bool SecondOfDay(std::string_view s, int& second) {
  int h = 0, m = 0, sec = 0;
  if (s.size() != 9 || s[0] != ' ' || s[3] != ':' || s[6] != ':') return false;
  if (!ParseDigits(s, 1, 2, h) || !ParseDigits(s, 4, 2, m) || !ParseDigits(s, 7, 2, sec)) return false;
  if (h > 23 || m > 59 || sec > 60) return false;
  second = h * 3600 + m * 60 + sec;
  return true;
}

}  // namespace

bool ParseDateTimeText(std::string_view s, TLocalDateTime& t) {
  TLocalDateTime r;
  if (s.size() != 10 && s.size() != 19) return false;
  if (s[4] != '/' || s[7] != '/') return false;
  if (!ParseDigits(s, 0, 4, r.Year) || !ParseDigits(s, 5, 2, r.Month) || !ParseDigits(s, 8, 2, r.Day))
    return false;
  r.Hour = r.Minute = r.Second = 0;
  if (s.size() == 19) {
    if (s[10] != ' ' || s[13] != ':' || s[16] != ':') return false;
    if (!ParseDigits(s, 11, 2, r.Hour) || !ParseDigits(s, 14, 2, r.Minute) ||
        !ParseDigits(s, 17, 2, r.Second))
      return false;
  }
  if (!ValidDateTime(r)) return false;
  t = r;
  return true;
}

void TAlarmLogParser::Line(std::string_view cp932) {
  std::string line = Cp932ToUtf8(cp932);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty() || line[0] != ' ') return;
  std::vector<std::string_view>& f = fields_;
  Fields(std::string_view(line).substr(1), f);
  TLocalDateTime t;
  if (f.size() < 2 || !ParseDateTimeText(f[0], t)) return;
  double a = 0.0, b = 0.0;
  const bool figures = f.size() == 5 && ParseFinite(f[2], a) && ParseFinite(f[4], b);
  if (f[1] == "検出震度" && f[3] == "検出加速度" && figures) {
    TAlarmEntry e;
    e.Detected = t;
    e.DetectedIntensity = a;
    e.DetectedComposite = b;
    Alarms.push_back(e);
    open_ = true;
  } else if (f[1] == "最大震度" && f[3] == "最大加速度" && figures) {
    if (!open_) return;
    TAlarmEntry& e = Alarms.back();
    e.HasMaximum = true;
    e.MaximumAt = t;
    e.MaxIntensity = a;
    e.MaxComposite = b;
    open_ = false;
  } else if (f[1] == "計測開始" || f[1] == "計測終了") {
    open_ = false;
  }
}

std::vector<TAlarmEntry> ParseAlarmLog(std::string_view cp932) {
  TAlarmLogParser parser;
  std::size_t start = 0;
  while (start < cp932.size()) {
    std::size_t end = cp932.find('\n', start);
    if (end == std::string_view::npos) end = cp932.size();
    parser.Line(cp932.substr(start, end - start));
    start = end + 1;
  }
  return std::move(parser.Alarms);
}

std::vector<TAlarmEntry> ReadAlarmLog(const std::string& path) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return {};
  return ParseAlarmLog(bytes);
}

const std::vector<TAlarmEntry>& TAlarmLogFollower::Update(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (fd >= 0) ::close(fd);
    StartOver({}, 0, 0);
    alarms_.clear();
    return alarms_;
  }
  const bool grown = path == path_ && st.st_dev == device_ && st.st_ino == inode_ &&
                     static_cast<std::uint64_t>(st.st_size) >= offset_ && StillHolds(fd);
  if (!grown) StartOver(path, st.st_dev, st.st_ino);
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(offset_));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    offset_ += static_cast<std::uint64_t>(n);
    bytesRead_ += static_cast<std::uint64_t>(n);
    Take(std::string_view(buffer, static_cast<std::size_t>(n)));
  }
  ::close(fd);
  if (pending_.empty()) {
    alarms_ = parser_.Alarms;
  } else {
    // A line still being written counts as it stands, without becoming part of what was read.
    TAlarmLogParser last = parser_;
    last.Line(pending_);
    alarms_ = std::move(last.Alarms);
  }
  return alarms_;
}

void TAlarmLogFollower::StartOver(const std::string& path, std::uint64_t device, std::uint64_t inode) {
  path_ = path;
  device_ = device;
  inode_ = inode;
  offset_ = 0;
  seen_.clear();
  pending_.clear();
  parser_ = {};
}

bool TAlarmLogFollower::StillHolds(int fd) const {
  if (seen_.empty()) return true;
  std::string now(seen_.size(), '\0');
  const ssize_t n = ::pread(fd, now.data(), now.size(), static_cast<off_t>(offset_ - seen_.size()));
  return n == static_cast<ssize_t>(now.size()) && now == seen_;
}

void TAlarmLogFollower::Take(std::string_view bytes) {
  constexpr std::size_t kSeenBytes = 64;
  seen_.append(bytes.substr(bytes.size() > kSeenBytes ? bytes.size() - kSeenBytes : 0));
  if (seen_.size() > kSeenBytes) seen_.erase(0, seen_.size() - kSeenBytes);
  pending_.append(bytes);
  std::size_t start = 0;
  for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos; start = end + 1) {
    parser_.Line(std::string_view(pending_).substr(start, end - start));
  }
  pending_.erase(0, start);
}

bool ReadDetailFile(const std::string& path, TDetailSamples& out) {
  std::string bytes;
  if (!ReadWholeFile(path, bytes)) return false;
  TDetailSamples s;
  std::vector<std::string_view> f;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    std::string_view line = std::string_view(bytes).substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    Fields(line, f);
    int second = 0;
    double v[5];
    if (f.size() != 6 || !SecondOfDay(f[0], second)) continue;
    bool ok = true;
    for (int i = 0; i < 5 && ok; ++i) ok = ParseFinite(f[static_cast<std::size_t>(i) + 1], v[i]);
    if (!ok) continue;
    s.SecondOfDay.push_back(second);
    s.X.push_back(v[0]);
    s.Y.push_back(v[1]);
    s.Z.push_back(v[2]);
    s.Intensity.push_back(v[3]);
    s.Composite.push_back(v[4]);
  }
  out = std::move(s);
  return true;
}

int DetectionIndex(const TDetailSamples& samples, const TLocalDateTime& detected) {
  if (samples.Size() == 0) return -1;
  // Times of day unwrapped across midnight: a jump back by more than half a day is the next day.
  const int first = samples.SecondOfDay[0];
  int target = detected.Hour * 3600 + detected.Minute * 60 + detected.Second;
  if (target + 43200 < first) target += 86400;
  int dayOffset = 0;
  for (std::size_t i = 0; i < samples.Size(); ++i) {
    if (i > 0 && samples.SecondOfDay[i] + 43200 < samples.SecondOfDay[i - 1]) dayOffset += 86400;
    if (samples.SecondOfDay[i] + dayOffset >= target) return static_cast<int>(i);
  }
  return -1;
}

std::string FindDetailFile(const std::string& detailFolder, std::string_view sensorId,
                           const TLocalDateTime& detected) {
  for (int late = 0; late <= 2; ++late) {
    const std::string path =
        DetailFilePath(detailFolder, StampText(WallTime(WallSeconds(detected) + late)), sensorId);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return {};
}

bool DetailFileStamp(const std::string& path, TLocalDateTime& stamp) {
  const std::size_t slash = path.rfind('/');
  const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  TLocalDateTime t;
  if (name.size() < 15 || name[14] != '_') return false;
  if (!ParseDigits(name, 0, 4, t.Year) || !ParseDigits(name, 4, 2, t.Month) ||
      !ParseDigits(name, 6, 2, t.Day) || !ParseDigits(name, 8, 2, t.Hour) ||
      !ParseDigits(name, 10, 2, t.Minute) || !ParseDigits(name, 12, 2, t.Second)) {
    return false;
  }
  if (!ValidDateTime(t)) return false;
  stamp = t;
  return true;
}

}  // namespace tevra
