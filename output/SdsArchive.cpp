#include "output/SdsArchive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "base/TextFormat.h"
#include "output/AppendFile.h"

namespace tevra {
namespace {

std::string Join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

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
                      queue_.front().Path.c_str(), std::strerror(errno)));
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
