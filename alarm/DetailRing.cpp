#include "alarm/DetailRing.h"

#include <algorithm>
#include <string>

namespace tevra {

void TDetailRing::Push(const TDetailRecord& record) {
  records_[writeIndex_] = record;
  writeIndex_ = (writeIndex_ + 1) % Positions;
  if (writeIndex_ == readIndex_) readIndex_ = (readIndex_ + 1) % Positions;
}

bool TDetailRing::Pop(TDetailRecord& record) {
  if (readIndex_ == writeIndex_) return false;
  record = records_[readIndex_];
  readIndex_ = (readIndex_ + 1) % Positions;
  return true;
}

void TDetailRing::DropOldest(int n) {
  n = std::clamp(n, 0, Count());
  readIndex_ = (readIndex_ + n) % Positions;
}

void PushTickRecords(TDetailRing& ring, const TLocalDateTime& now, const TAccelSample* samples,
                     const double* composite, int count, double currentIntensity) {
  TDetailRecord record;
  // Formatted once per tick: every record of a tick shares its time text.
  const std::string text = DetailTimeText(now);
  text.copy(record.TimeText, sizeof record.TimeText - 1);
  record.Intensity = currentIntensity;
  for (int i = 0; i < count; ++i) {
    record.X = samples[i].X;
    record.Y = samples[i].Y;
    record.Z = samples[i].Z;
    record.Composite = composite[i];
    ring.Push(record);
  }
}

bool PopDetailRecord(TDetailRing& ring, TDetailRecord& record) {
  return ring.Pop(record);
}

void ClearDetailRing(TDetailRing& ring) {
  ring.Clear();
}

}  // namespace tevra
