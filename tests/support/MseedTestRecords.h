#pragma once
// Records decoded back with libmseed, for the tests of the continuous record.
#include <libmseed.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tevra::test {

struct TDecoded {
  std::string Channel;
  std::int64_t StartMicros = 0;
  std::vector<std::int32_t> Samples;
  int Encoding = 0;
  char Quality = 0;
  int TimingQuality = -1;  // -1 without blockette 1001
  bool ClockLocked = false;
};

inline bool Decode(const std::uint8_t* bytes, std::size_t length, TDecoded& out) {
  MSRecord* msr = nullptr;
  std::vector<char> copy(bytes, bytes + length);
  if (msr_parse(copy.data(), static_cast<uint64_t>(length), &msr, static_cast<int32_t>(length), 1, 0) !=
      MS_NOERROR) {
    return false;
  }
  out.Channel = msr->channel;
  out.StartMicros = msr->starttime;
  const auto* s = static_cast<const std::int32_t*>(msr->datasamples);
  out.Samples.assign(s, s + msr->numsamples);
  out.Encoding = msr->encoding;
  out.Quality = msr->dataquality;
  out.TimingQuality = msr->Blkt1001 ? msr->Blkt1001->timing_qual : -1;
  out.ClockLocked = (msr->fsdh->io_flags & 0x20) != 0;
  msr_free(&msr);
  return true;
}

}  // namespace tevra::test
