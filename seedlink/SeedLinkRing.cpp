#include "seedlink/SeedLinkRing.h"

#include <algorithm>
#include <cstring>

namespace tevra {

TSeedLinkRing::TSeedLinkRing(std::size_t capacity, std::uint32_t firstSequence)
    : capacity_(std::clamp<std::size_t>(capacity, 1, MaxCapacity)),
      first_(firstSequence & 0xFFFFFF),
      next_(first_) {
  stations_.reserve(MaxStations);
}

bool TSeedLinkRing::Push(const std::uint8_t* record) {
  TMiniSeedHeader header;
  if (record == nullptr || !ParseMiniSeedHeader(record, header)) return false;
  std::lock_guard lock(mutex_);
  if (records_.empty()) {
    records_.resize(capacity_ * MiniSeedRecordBytes);
    headers_.resize(capacity_);
  }
  const std::size_t slot = next_ % capacity_;
  std::memcpy(&records_[slot * MiniSeedRecordBytes], record, MiniSeedRecordBytes);
  headers_[slot] = header;
  ++next_;
  const bool known = std::any_of(stations_.begin(), stations_.end(), [&](const TStationCode& s) {
    return !std::strcmp(s.Network, header.Network) && !std::strcmp(s.Station, header.Station);
  });
  if (!known && stations_.size() < MaxStations) {
    TStationCode code;
    std::memcpy(code.Network, header.Network, sizeof code.Network);
    std::memcpy(code.Station, header.Station, sizeof code.Station);
    stations_.push_back(code);
  }
  return true;
}

std::uint64_t TSeedLinkRing::Next() const {
  std::lock_guard lock(mutex_);
  return next_;
}

std::uint64_t TSeedLinkRing::Oldest() const {
  std::lock_guard lock(mutex_);
  return OldestLocked();
}

void TSeedLinkRing::Stations(std::vector<TStationCode>& out) const {
  out.reserve(MaxStations);  // no allocation under the lock
  std::lock_guard lock(mutex_);
  out.assign(stations_.begin(), stations_.end());
}

bool TSeedLinkRing::Copy(std::uint64_t number, TMiniSeedHeader& header, std::uint8_t* record) const {
  std::lock_guard lock(mutex_);
  if (number >= next_ || number + capacity_ < next_ || number < first_) return false;
  const std::size_t slot = number % capacity_;
  header = headers_[slot];
  if (record != nullptr) std::memcpy(record, &records_[slot * MiniSeedRecordBytes], MiniSeedRecordBytes);
  return true;
}

bool TSeedLinkRing::Find(std::uint32_t wire, std::uint64_t& number) const {
  std::lock_guard lock(mutex_);
  const std::uint64_t oldest = OldestLocked();
  const std::uint64_t candidate = oldest + ((wire - Wire(oldest)) & 0xFFFFFF);
  if (candidate > next_) return false;
  number = candidate;
  return true;
}

}  // namespace tevra
