#include "archive/SdsArchive.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/NumberParse.h"
#include "base/TextFormat.h"
#include "base/AppendFile.h"
#include "base/Result.h"

namespace tevra {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// The day of the year of a day file of `prefix` (NET.STA.) in year `year`; 0 for any other file.
int DayOfYearOf(const std::filesystem::directory_entry& file, const std::string& prefix,
                const std::string& year) {
  const std::string name = file.path().filename().string();
  const std::string suffix = ".D." + year + ".";
  int doy = 0;
  std::error_code ec;
  if (name.size() < prefix.size() + suffix.size() + 3 || name.compare(0, prefix.size(), prefix) != 0 ||
      name.compare(name.size() - 3 - suffix.size(), suffix.size(), suffix) != 0 ||
      !ParseDigits(name, name.size() - 3, 3, doy) || !file.is_regular_file(ec) ||
      file.file_size(ec) < MiniSeedRecordBytes || ec) {
    return 0;
  }
  return doy;
}

}  // namespace

std::optional<std::int64_t> OldestSdsDay(const std::string& folder, const std::string& network,
                                         const std::string& station) {
  namespace fs = std::filesystem;
  std::vector<int> years;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    int year = 0;
    if (name.size() == 4 && ParseDigits(name, 0, 4, year)) years.push_back(year);
  }
  std::sort(years.begin(), years.end());
  const std::string prefix = network + "." + station + ".";
  for (const int year : years) {
    const std::string yearText = Printf("%04d", year);
    int oldest = 0;
    std::error_code channelError;
    for (fs::directory_iterator channel(fs::path(folder) / yearText / network / station, channelError), end;
         !channelError && channel != end; channel.increment(channelError)) {
      std::error_code fileError;
      for (fs::directory_iterator file(channel->path(), fileError); !fileError && file != end;
           file.increment(fileError)) {
        const int doy = DayOfYearOf(*file, prefix, yearText);
        if (doy > 0 && (oldest == 0 || doy < oldest)) oldest = doy;
      }
    }
    if (oldest > 0) {
      namespace cr = std::chrono;
      const cr::sys_days day = cr::sys_days(cr::year(year) / 1 / 1) + cr::days(oldest - 1);
      return static_cast<std::int64_t>(day.time_since_epoch().count()) * 86400;
    }
  }
  return std::nullopt;
}

std::string SdsFilePath(const std::string& folder, const TStreamId& id, std::int64_t startMicros) {
  std::int64_t seconds = startMicros / 1000000;
  if (startMicros < 0 && startMicros % 1000000 != 0) --seconds;
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char year[16];
  char doy[16];
  std::snprintf(year, sizeof year, "%04d", utc.tm_year + 1900);
  std::snprintf(doy, sizeof doy, "%03d", utc.tm_yday + 1);
  const std::string dir = std::string(year) + "/" + id.Network + "/" + id.Station + "/" + id.Channel + ".D";
  const std::string name =
      id.Network + "." + id.Station + "." + id.Location + "." + id.Channel + ".D." + year + "." + doy;
  return Join(folder, dir + "/" + name);
}

TSdsArchive::TSdsArchive(std::string folder, TLog log, std::size_t maxPending)
    : folder_(std::move(folder)), log_(std::move(log)), maxPending_(maxPending > 0 ? maxPending : 1) {}

TSdsArchive::~TSdsArchive() {
  if (queue_.empty()) return;
  Drain(lastTry_);
  if (!queue_.empty() && log_) {
    log_(Printf("アーカイブに書き込めなかった記録%zu件を破棄しました（%s）", queue_.size(), folder_.c_str()));
  }
}

bool TSdsArchive::AppendRecord(const TPending& record) {
  TAppendFile file;
  if (!file.Open(record.Path) && errno == ENOENT) {
    std::error_code made;
    std::filesystem::create_directories(std::filesystem::path(record.Path).parent_path(), made);
    if (made) {
      errno = made.value();
      return false;
    }
    file.Open(record.Path);
  }
  // Whole or not at all: part of a record would spoil the file for every reader.
  return file.Append(
      std::string_view(reinterpret_cast<const char*>(record.Bytes.data()), record.Bytes.size()));
}

void TSdsArchive::Write(const std::uint8_t* record, const TStreamId& id, std::int64_t startMicros,
                        std::int64_t nowMicros) {
  if (queue_.size() >= maxPending_) {
    queue_.pop_front();
    ++droppedTotal_;
    if (droppedInOutage_++ == 0 && log_) {
      log_(Printf("アーカイブの保留記録が上限（%zu件）に達したため、古い記録から破棄します", maxPending_));
    }
  }
  TPending& p = queue_.emplace_back();
  std::memcpy(p.Bytes.data(), record, p.Bytes.size());
  p.Path = SdsFilePath(folder_, id, startMicros);
  if (!outage_.Active()) {
    Drain(nowMicros);
  } else {
    Retry(nowMicros);
  }
}

void TSdsArchive::Retry(std::int64_t nowMicros) {
  if (!outage_.Active() || queue_.empty()) return;
  // A clock stepped back counts as due.
  if (nowMicros - lastTry_ < RetryMicros && nowMicros >= lastTry_) return;
  Drain(nowMicros);
}

void TSdsArchive::Drain(std::int64_t nowMicros) {
  lastTry_ = nowMicros;
  std::size_t written = 0;
  while (!queue_.empty()) {
    if (!AppendRecord(queue_.front())) {
      if (outage_.Failed()) {
        droppedInOutage_ = 0;
        if (log_) {
          log_(Printf("アーカイブに書き込めません（%s: %s）。記録はメモリに保持して計測を続けます",
                      queue_.front().Path.c_str(), ErrnoText(errno).c_str()));
        }
      }
      return;
    }
    queue_.pop_front();
    ++written;
  }
  if (outage_.Succeeded()) {
    if (log_) {
      log_(Printf("アーカイブへの書き込みを再開しました（保留していた%zu件を書き込み、%lld件を破棄）",
                  written, droppedInOutage_));
    }
  }
}

}  // namespace tevra
