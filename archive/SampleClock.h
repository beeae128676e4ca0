#pragma once
// The time of every sample. The sensor has no clock and sends 100 samples a second: a segment is
// anchored at its first batch (the newest sample takes the time of the read, the earlier ones go
// back 0.01 s each) and then advances 0.01 s per sample. Every batch is checked against the
// clock the same way; a batch whose newest sample would be more than Tolerance away from the time
// of its read starts a new segment. Lost samples (a dropped batch, a silence) thus show as a gap
// and never as samples shifted in time, and a drifting sensor rate cannot carry the record's time
// away from the clock. Times are UTC microseconds since 1970.
#include <cstdint>

namespace tevra {

class TSampleClock {
 public:
  static constexpr std::int64_t SampleMicros = 10000;
  // Below the 0.3 s the record may stray at most, with room for the read's own latency.
  static constexpr std::int64_t ToleranceMicros = 200000;

  struct TPlacement {
    std::int64_t FirstMicros = 0;  // time of the batch's first sample
    bool NewSegment = false;       // not continuous with the previous batch
  };

  // Places a batch of n > 0 samples whose newest was read at readMicros.
  TPlacement Place(int n, std::int64_t readMicros);
  // The samples that follow are not continuous with those before (a stop, new settings).
  void Break() {
    anchored_ = false;
    lostAfter_ = false;
  }
  // A batch was thrown away: at least one sample is missing. A segment anchored late (a slow first
  // read) would otherwise let the next one start where it ended, and the loss would not show.
  void Lost();

 private:
  bool anchored_ = false;
  bool lostAfter_ = false;  // next_ is the earliest the next segment may start
  std::int64_t next_ = 0;   // time of the next sample of the segment
};

}  // namespace tevra
