#pragma once
// The last 60 s of samples (6000 at 100 per second), kept so that an alarm's detail file can start
// before the alarm did.
#include <vector>

#include "base/DateTimeText.h"
#include "core/AccelSample.h"

namespace tevra {

// One buffered sample.
struct TDetailRecord {
  char TimeText[32] = {};  // " hh:mm:ss" of the tick that buffered it
  double X = 0.0;          // gal, after the offset removal
  double Y = 0.0;
  double Z = 0.0;
  double Intensity = 0.0;  // the newest intensity when buffered
  double Composite = 0.0;  // gal
};

// Ring of 6001 positions, one always free, allocated once; a full ring drops its oldest record.
class TDetailRing {
 public:
  static constexpr int Positions = 6001;
  static constexpr int Capacity = Positions - 1;

  TDetailRing() : records_(Positions) {}

  void Push(const TDetailRecord& record);
  // Copies out and removes the oldest record; false when empty.
  bool Pop(TDetailRecord& record);
  void Clear() { writeIndex_ = readIndex_ = 0; }

  int Count() const { return (writeIndex_ - readIndex_ + Positions) % Positions; }
  // The i-th oldest record, 0 <= i < Count().
  const TDetailRecord& Oldest(int i) const { return records_[(readIndex_ + i) % Positions]; }
  // Removes the n oldest records (at most Count()).
  void DropOldest(int n);

  int WriteIndex() const { return writeIndex_; }
  int ReadIndex() const { return readIndex_; }

 private:
  std::vector<TDetailRecord> records_;
  int writeIndex_ = 0;
  int readIndex_ = 0;
};

// Buffers one record per sample of a tick, in arrival order, all stamped with `now`.
void PushTickRecords(TDetailRing& ring, const TLocalDateTime& now, const TAccelSample* samples,
                     const double* composite, int count, double currentIntensity);
bool PopDetailRecord(TDetailRing& ring, TDetailRecord& record);
void ClearDetailRing(TDetailRing& ring);

}  // namespace tevra
