#pragma once
// The continuous record: the measuring loop hands over every batch of raw counts with the time
// of its read, and hears of batches that were lost. The facade times the samples, packs them
// into miniSEED records per channel, writes them to the SDS archive and hands each record to the
// live stream's sink. Everything runs within the caller's tick and never blocks it.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/AccelSample.h"
#include "settings/DataOutputSettings.h"
#include "archive/MseedPacker.h"
#include "archive/SampleClock.h"
#include "archive/SdsArchive.h"

namespace tevra {

class TDataOutput {
 public:
  using TLog = std::function<void(const std::string& line)>;
  using TRecordSink = std::function<void(const std::uint8_t* record, std::size_t length)>;
  using TClockProbe = std::function<bool()>;
  // The clock's synchronisation is asked again at most this often.
  static constexpr std::int64_t ClockProbeMicros = 60 * 1000000LL;

  // `log` receives the archive's outage lines; `clockSynced` tells whether the system clock is
  // synchronised (the kernel's answer by default).
  explicit TDataOutput(TLog log, TClockProbe clockSynced = {});
  ~TDataOutput();

  // Takes new settings at once: what is held goes out under the old ones, the archive opens or
  // closes, and the next batch starts a new segment.
  void Configure(const TDataOutputSettings& settings);
  // Called at the end of every Configure with the settings in force: the live stream's server
  // starts, moves or stops there, and sets or clears the record sink. None by default.
  std::function<void(const TDataOutputSettings&)> OnConfigure;
  // The live stream's receiver of every record (512 bytes); empty for none.
  void SetRecordSink(TRecordSink sink);
  // True when records are made (archive on or a sink set); Feed is nearly free otherwise.
  bool Active() const { return archive_ != nullptr || static_cast<bool>(sink_); }

  // One tick: n samples in counts as the reader orients them (n may be 0), the newest read at
  // readMicros (UTC microseconds). Also sends out records whose oldest sample is FlushSeconds old.
  void Feed(const TAccelSample* counts, int n, std::int64_t readMicros);
  // The reader dropped a batch: what follows is not continuous with what came before.
  void BatchLost();
  // Measuring stopped: everything held goes out now.
  void Stop();

  const TDataOutputSettings& Settings() const { return settings_; }
  // Only the metadata reads the start date: it changes without disturbing the record.
  void SetStartDate(const std::string& day) { settings_.StartDate = day; }
  const TSdsArchive* Archive() const { return archive_.get(); }

 private:
  void Rebuild();
  void Emit(int channel, const std::uint8_t* record, std::int64_t startMicros);
  void FlushAll();
  void ProbeClock(std::int64_t nowMicros);

  TLog log_;
  TClockProbe clockSynced_;
  TDataOutputSettings settings_;
  TRecordSink sink_;
  std::unique_ptr<TSdsArchive> archive_;
  std::array<TStreamId, 3> ids_;
  std::array<std::unique_ptr<TMseedPacker>, 3> packers_;
  TSampleClock clock_;
  std::int64_t now_ = 0;
  bool probed_ = false;
  std::int64_t lastProbe_ = 0;
  bool locked_ = false;
  std::vector<std::int32_t> axis_;
};

}  // namespace tevra
