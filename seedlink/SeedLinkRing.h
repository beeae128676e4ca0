#pragma once
// The records the SeedLink server keeps: a fixed number of 512-byte slots, each with its parsed
// header and a running number, allocated at the first record (megabytes a program with SeedLink off
// never needs). Wire sequence numbers are the low 24 bits of the running number, so they wrap after
// FFFFFF while the ring itself never confuses old and new.
//
// One producer (Publish on the panel's or monitor's thread) and one consumer (the server thread).
// A mutex guards the slots, held only to copy one record in, or one record (or the short station list)
// out: the producer never waits for a socket or a client's patterns, only, at worst, for one copy.
#include <cstdint>
#include <mutex>
#include <vector>

#include "seedlink/MiniSeedHeader.h"

namespace tevra {

class TSeedLinkRing {
 public:
  // Half the sequence space at most, so a wire number always names one record.
  static constexpr std::size_t MaxCapacity = 1u << 23;

  TSeedLinkRing(std::size_t capacity, std::uint32_t firstSequence);

  // Stores a copy of the record, overwriting the oldest when full. False (nothing stored) when the
  // bytes have no miniSEED 2 fixed header.
  bool Push(const std::uint8_t* record);

  std::uint64_t Next() const;    // running number the next record will get
  std::uint64_t Oldest() const;  // running number of the oldest record kept (== Next when empty)

  static std::uint32_t Wire(std::uint64_t number) { return static_cast<std::uint32_t>(number & 0xFFFFFF); }
  // The running number whose wire sequence is `wire`, if it lies within [Oldest, Next]: Next itself
  // counts, since a client that has everything asks for the record still to come.
  bool Find(std::uint32_t wire, std::uint64_t& number) const;

  struct TStationCode {
    char Network[3];
    char Station[6];
  };
  static constexpr std::size_t MaxStations = 64;
  // The stations records came from so far, the first MaxStations of them.
  void Stations(std::vector<TStationCode>& out) const;

  // Copies record `number`'s header, and its bytes when `record` is given; false when that record is
  // gone (overwritten) or not there yet. Whatever a client does with it happens after the copy.
  bool Copy(std::uint64_t number, TMiniSeedHeader& header, std::uint8_t* record = nullptr) const;

 private:
  std::uint64_t OldestLocked() const { return next_ - first_ > capacity_ ? next_ - capacity_ : first_; }

  const std::size_t capacity_;
  mutable std::mutex mutex_;
  std::vector<std::uint8_t> records_;
  std::vector<TMiniSeedHeader> headers_;
  std::vector<TStationCode> stations_;
  std::uint64_t first_;  // running number of the first record ever stored
  std::uint64_t next_;
};

}  // namespace tevra
