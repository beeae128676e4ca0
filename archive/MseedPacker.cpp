#include "archive/MseedPacker.h"

#include <libmseed.h>

#include <cstdlib>
#include <cstring>

#include "seedlink/MiniSeedHeader.h"
#include "archive/SampleClock.h"

namespace tevra {
namespace {

constexpr std::int64_t kDayMicros = 86400LL * 1000000;
// A Steim-2 record of 512 bytes holds at least about a hundred 12-bit differences; below that no
// attempt can fill it. Further attempts come every TryStep samples, so a full record leaves at
// most 0.64 s late, and a record is not compressed again for every tick.
constexpr std::size_t kMinFullRecord = 100;
constexpr std::size_t kTryStep = 64;
constexpr std::uint8_t kClockLockedFlag = 0x20;  // I/O and clock flags, bit 5

std::int64_t NextMidnight(std::int64_t micros) {
  std::int64_t day = micros / kDayMicros;
  if (micros < 0 && micros % kDayMicros != 0) --day;
  return (day + 1) * kDayMicros;
}

void CopyCode(char* field, const std::string& code) {
  std::strncpy(field, code.c_str(), 10);
  field[10] = '\0';
}

}  // namespace

TMseedPacker::TMseedPacker(const TStreamId& id, TOut out) : msr_(msr_init(nullptr)), out_(std::move(out)) {
  CopyCode(msr_->network, id.Network);
  CopyCode(msr_->station, id.Station);
  CopyCode(msr_->location, id.Location);
  CopyCode(msr_->channel, id.Channel);
  msr_->samprate = 1e6 / static_cast<double>(TSampleClock::SampleMicros);
  msr_->encoding = DE_STEIM2;
  msr_->byteorder = 1;
  msr_->reclen = static_cast<int32_t>(MiniSeedRecordBytes);
  msr_->dataquality = 'D';
  msr_->sampletype = 'i';
  // libmseed keeps the header fields it is given; msr_free releases both.
  msr_->fsdh = static_cast<fsdh_s*>(std::calloc(1, sizeof(fsdh_s)));
  blkt_1001_s timing{};
  msr_addblockette(msr_, reinterpret_cast<char*>(&timing), sizeof timing, 1001, 0);
  SetClockLocked(false);
  held_.reserve(4096);
}

TMseedPacker::~TMseedPacker() {
  Flush();
  msr_free(&msr_);
}

void TMseedPacker::SetClockLocked(bool locked) {
  if (msr_->fsdh) msr_->fsdh->io_flags = locked ? kClockLockedFlag : 0;
  if (msr_->Blkt1001) msr_->Blkt1001->timing_qual = locked ? 100 : 0;
}

void TMseedPacker::Append(const std::int32_t* samples, int n, std::int64_t firstMicros) {
  if (n <= 0) return;
  if (!held_.empty() &&
      firstMicros != heldStart_ + static_cast<std::int64_t>(held_.size()) * TSampleClock::SampleMicros) {
    Flush();
  }
  // Pieces that end at UTC midnight: the day files split there.
  while (n > 0) {
    const std::int64_t before = NextMidnight(firstMicros) - firstMicros;
    const std::int64_t fit = (before + TSampleClock::SampleMicros - 1) / TSampleClock::SampleMicros;
    const int take = fit < n ? static_cast<int>(fit) : n;
    AppendWithinDay(samples, take, firstMicros);
    samples += take;
    n -= take;
    firstMicros += take * TSampleClock::SampleMicros;
    if (n > 0) Flush();
  }
}

void TMseedPacker::AppendWithinDay(const std::int32_t* samples, int n, std::int64_t firstMicros) {
  if (held_.empty()) {
    heldStart_ = firstMicros;
    triedAt_ = 0;
  }
  held_.insert(held_.end(), samples, samples + n);
  if (held_.size() >= kMinFullRecord && held_.size() >= triedAt_ + kTryStep) Pack(false);
}

void TMseedPacker::Flush() {
  if (!held_.empty()) Pack(true);
}

void TMseedPacker::Pack(bool flush) {
  msr_->datasamples = held_.data();
  msr_->numsamples = static_cast<int64_t>(held_.size());
  msr_->starttime = heldStart_;
  packedInCall_ = 0;
  int64_t packed = 0;
  const int records = msr_pack(msr_, &TMseedPacker::OnRecord, this, &packed, flush ? 1 : 0, 0);
  msr_->datasamples = nullptr;
  msr_->numsamples = 0;
  if (records < 0) {
    // Only a programming error (a bad header field) makes libmseed refuse; the samples are kept
    // out of the way rather than retried on every tick.
    packed = static_cast<int64_t>(held_.size());
  }
  if (packed <= 0) {
    triedAt_ = held_.size();
    return;
  }
  const auto count = static_cast<std::size_t>(packed);
  held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
  heldStart_ += packed * TSampleClock::SampleMicros;
  triedAt_ = 0;
}

void TMseedPacker::OnRecord(char* record, int length, void* self) {
  auto* p = static_cast<TMseedPacker*>(self);
  if (length != static_cast<int>(MiniSeedRecordBytes)) return;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(record);
  const std::int64_t start = p->heldStart_ + p->packedInCall_ * TSampleClock::SampleMicros;
  // Samples in this record: the header's big-endian count at byte 30.
  p->packedInCall_ += (bytes[30] << 8) | bytes[31];
  if (p->out_) p->out_(bytes, start);
}

}  // namespace tevra
