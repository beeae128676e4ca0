#pragma once
// One channel's samples (integer counts) into 512-byte miniSEED 2 records: Steim-2, big-endian,
// quality D, with blockette 1001 for the timing quality. Packing is libmseed's. A record goes out
// when it is full or when Flush asks for what is held; a record never spans UTC midnight nor a
// break in time.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct MSRecord_s;

namespace tevra {

struct TStreamId {
  std::string Network;
  std::string Station;
  std::string Location;
  std::string Channel;
};

class TMseedPacker {
 public:
  // Receives each record with the time of its first sample (UTC microseconds).
  using TOut = std::function<void(const std::uint8_t* record, std::int64_t startMicros)>;

  TMseedPacker(const TStreamId& id, TOut out);
  ~TMseedPacker();
  TMseedPacker(const TMseedPacker&) = delete;
  TMseedPacker& operator=(const TMseedPacker&) = delete;

  // Adds samples 0.01 s apart from firstMicros on. Samples that do not continue those held end
  // the held ones' last record first.
  void Append(const std::int32_t* samples, int n, std::int64_t firstMicros);
  // Packs everything held; the last record may be partly filled.
  void Flush();
  // The time of the oldest sample held; meaningful only when something is held.
  std::int64_t OldestMicros() const { return heldStart_; }
  bool Empty() const { return held_.empty(); }
  // Clock synchronised: timing quality 100 and the clock-locked flag; otherwise 0 and no flag.
  void SetClockLocked(bool locked);

 private:
  void AppendWithinDay(const std::int32_t* samples, int n, std::int64_t firstMicros);
  // Packs full records only (flush false) or everything (flush true).
  void Pack(bool flush);
  static void OnRecord(char* record, int length, void* self);

  MSRecord_s* msr_;
  TOut out_;
  std::vector<std::int32_t> held_;
  std::int64_t heldStart_ = 0;
  std::size_t triedAt_ = 0;        // held samples at the last packing attempt that found no full record
  std::int64_t packedInCall_ = 0;  // samples already sent out by the current pack call
};

}  // namespace tevra
