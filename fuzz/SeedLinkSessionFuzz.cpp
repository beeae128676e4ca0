// A SeedLink client sending arbitrary bytes, against a session over a ring of data records from
// two stations and a log record: the bytes arrive in pieces of varying size, INFO requests are
// answered as the server answers them, and everything the session produces is taken. Nothing may
// crash, overflow or hang; the session's output must stay bounded.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "seedlink/MiniSeedHeader.h"
#include "archive/MseedPacker.h"
#include "seedlink/SeedLinkInfo.h"
#include "seedlink/SeedLinkRing.h"
#include "seedlink/SeedLinkSession.h"

namespace {

constexpr std::int64_t kStartMicros = 1'780'000'000'000'000;  // 2026-05-28 UTC

std::unique_ptr<tevra::TSeedLinkRing> MakeRing() {
  auto ring = std::make_unique<tevra::TSeedLinkRing>(64, 0xFFFFF0);  // wraps the 24-bit numbers
  const tevra::TStreamId ids[] = {
      {"XX", "TEVRA", "", "HNZ"}, {"XX", "TEVRA", "00", "HN1"}, {"JP", "S1", "", "ENZ"}};
  for (const tevra::TStreamId& id : ids) {
    tevra::TMseedPacker packer(id, [&](const std::uint8_t* record, std::int64_t) { ring->Push(record); });
    std::int32_t samples[100];
    for (int second = 0; second < 6; ++second) {
      for (int i = 0; i < 100; ++i) samples[i] = (i * 7919 + second * 31) % 2000 - 1000;
      packer.Append(samples, 100, kStartMicros + second * 1'000'000LL);
      packer.Flush();
    }
  }
  std::uint8_t log[tevra::MiniSeedRecordBytes];
  tevra::MakeMiniSeedLogRecord("a note", kStartMicros * 1000, 1, log);
  ring->Push(log);
  return ring;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::unique_ptr<tevra::TSeedLinkRing> ring = MakeRing();
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::int64_t ns = 0;
  tevra::ParseSeedLinkCommandTime(input, ns);
  tevra::TSeedLinkSelector selector;
  tevra::TSeedLinkSelector::Parse(input, selector);

  static const tevra::TSeedLinkSession::TIdentity identity{"SeedLink v3.1 (fuzz) :: SLPROTO:3.1", "fuzz"};
  tevra::TSeedLinkSession session(*ring, identity);
  tevra::TSeedLinkInfoSource source;
  source.Software = "SeedLink v3.1 (fuzz)";
  source.Ring = ring.get();
  std::size_t at = 0;
  // The first byte sets the piece size, so lines arrive whole and in fragments.
  const std::size_t piece = size > 0 ? 1 + data[0] % 64 : 1;
  while (at < size && !session.Finished()) {
    const std::size_t n = size - at < piece ? size - at : piece;
    session.Receive(input.data() + at, n);
    at += n;
    source.Connections = {{"127.0.0.1", 18000, 0, &session}};
    while (!session.InfoRequests().empty()) {
      session.AppendInfo(tevra::SeedLinkInfoXml(session.InfoRequests().front(), source), kStartMicros * 1000);
      session.InfoRequests().erase(session.InfoRequests().begin());
    }
    if (!session.Fill(64 * 1024)) break;
    if (session.Pending().size() > 4 * 1024 * 1024) __builtin_trap();
    session.Sent(session.Pending().size());
  }
  return 0;
}
