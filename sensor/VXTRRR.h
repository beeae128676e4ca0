#pragma once
// The sensor's frame reader. The sensor sends, unasked, 100 frames a second of exactly 17 bytes:
// "XXXX,YYYY,ZZZZ,S\r" with 12-bit counts and a status digit 0 or 1. ReadFrames turns what has
// arrived since the last call into oriented samples; CheckSensor resynchronises after a failure.
// The reader only parses: the port and the waits come from outside.
#include <cstdint>
#include <string_view>
#include <vector>

#include "base/Platform.h"
#include "core/AccelSample.h"
#include "sensor/SerialLink.h"

namespace tevra {

class VXTRRR {
 public:
  enum : std::uint8_t {
    ReaderIdle = 0,
    ReaderOk = 1,
    ReaderOverflow = 2,
    ReaderValueError = 3,
    ReaderNoData = 4,
    ReaderFormatError = 5,
  };
  static constexpr int FrameLength = 17;
  static constexpr int ReceiveCapacity = 32768;
  static constexpr int PendingCapacity = 65555;
  static constexpr int SampleCapacity = 65535;
  static constexpr int ReadChunk = 16384;
  static constexpr int CheckChunk = 16385;
  static constexpr int OverflowLength = 32768;
  static constexpr int NoDataReads = 100;
  static constexpr int ErrorPasses = 1000;
  static constexpr int CheckWaitMs = 100;
  // The whole of CheckSensor, waits included, ends by then (monotonic clock).
  static constexpr int CheckDeadlineMs = 1000;

  VXTRRR(TPortOwner& owner, TSteadyClock& clock);

  // Discards what is queued, aligns to a frame boundary and verifies one frame, all within
  // CheckDeadlineMs (plus at most one read's wait). On failure ReaderStatus says why; on success it
  // is left as it was.
  bool CheckSensor();
  // Parses every complete frame that has arrived. True with SampleCount samples (maybe 0); false
  // with ReaderStatus set and no samples. After a false, CheckSensor must run before the next call.
  bool ReadFrames();
  // Has the owner close and reopen the port; the next CheckSensor resynchronises.
  void ReopenPort() { owner_.ReopenPort(); }

  int ReaderStatus() const { return status_; }
  int SampleCount() const { return sampleCount_; }
  // Samples in counts, oriented: X = 4096 - x, Y = y, Z = 4096 - z.
  const TAccelSample* Samples() const { return samples_.data(); }
  int EmptyReads() const { return emptyReads_; }
  std::string_view PendingText() const { return {pending_.data(), pendingLength_}; }

 private:
  int Read(char* buffer, int count);
  unsigned ClearCommError();

  TPortOwner& owner_;
  TSteadyClock& clock_;
  std::uint8_t status_ = ReaderIdle;
  std::vector<char> receive_;
  std::vector<char> pending_;
  std::size_t pendingLength_ = 0;
  int sampleCount_ = 0;
  int emptyReads_ = 0;
  std::vector<TAccelSample> samples_;
};

// The panel's error box text for a failed reader status (UTF-8).
const char* SensorErrorText(int readerStatus);

}  // namespace tevra
