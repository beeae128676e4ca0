#pragma once
// The SDS archive: <folder>/YEAR/NET/STA/CHAN.D/NET.STA.LOC.CHAN.D.YEAR.DOY, one file per
// channel and UTC day, records appended in the order they come. Every record is written at once
// with one write(2) on a file opened O_APPEND, so a crash loses nothing already handed over.
// A folder that cannot be created, is not writable or is full does not stop anything: records
// wait in memory (up to a bound, then the oldest go) and are written once the folder works
// again. Each outage is told once through the log callback, and so are its losses.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "seedlink/MiniSeedHeader.h"
#include "archive/MseedPacker.h"
#include "base/Outage.h"

namespace tevra {

// The day file of a record of `id` starting at startMicros (UTC microseconds).
std::string SdsFilePath(const std::string& folder, const TStreamId& id, std::int64_t startMicros);

// The UTC start (seconds) of the oldest day whose file holds a record of network.station under
// `folder`; none when there is no such file or the folder cannot be read.
std::optional<std::int64_t> OldestSdsDay(const std::string& folder, const std::string& network,
                                         const std::string& station);

class TSdsArchive {
 public:
  using TLog = std::function<void(const std::string& line)>;
  // 32768 records are 16 MiB: with records flushed every 5 s at a quiet site, about half a day.
  static constexpr std::size_t DefaultMaxPending = 32768;
  // During an outage the folder is tried again at most this often.
  static constexpr std::int64_t RetryMicros = 10 * 1000000LL;

  TSdsArchive(std::string folder, TLog log, std::size_t maxPending = DefaultMaxPending);
  // Tries once more to write what waits; what still cannot be written is lost, and said so.
  ~TSdsArchive();
  TSdsArchive(const TSdsArchive&) = delete;
  TSdsArchive& operator=(const TSdsArchive&) = delete;

  const std::string& Folder() const { return folder_; }
  // Queues a 512-byte record and writes what is queued, unless an outage's retry is not due yet
  // at nowMicros.
  void Write(const std::uint8_t* record, const TStreamId& id, std::int64_t startMicros,
             std::int64_t nowMicros);
  // Writes what is queued if a retry is due (called on every tick, records or not).
  void Retry(std::int64_t nowMicros);

  std::size_t Pending() const { return queue_.size(); }
  long long Dropped() const { return droppedTotal_; }

 private:
  struct TPending {
    std::array<std::uint8_t, MiniSeedRecordBytes> Bytes;
    std::string Path;
  };
  void Drain(std::int64_t nowMicros);
  // Appends one record; false with errno set.
  static bool AppendRecord(const TPending& record);

  std::string folder_;
  TLog log_;
  std::size_t maxPending_;
  std::deque<TPending> queue_;
  TOutage outage_;
  std::int64_t lastTry_ = 0;
  long long droppedInOutage_ = 0;
  long long droppedTotal_ = 0;
};

}  // namespace tevra
