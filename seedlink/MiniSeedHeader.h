#pragma once
// What the SeedLink server needs to know of a 512-byte miniSEED 2 record, read from its 48-byte fixed
// header, and the ASCII log records that carry the server's INFO answers. Kept apart from the packer
// so the server serves whatever records it is handed, whoever made them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tevra {

constexpr std::size_t MiniSeedRecordBytes = 512;

struct TMiniSeedHeader {
  char Network[3] = {};  // blank-padded codes cut at the first blank, NUL-terminated
  char Station[6] = {};
  char Location[3] = {};
  char Channel[4] = {};
  char Type = 'D';           // SeedLink packet type: D data, L log, O other
  std::int64_t StartNs = 0;  // first sample, ns since 1970 UTC
  std::int64_t EndNs = 0;    // just past the last sample (the start for records without a rate)
};

// False when the bytes are no miniSEED 2 fixed header: the quality letter is not D, R, Q or M, a code
// holds a byte outside printable ASCII, the start time is out of range, or blockette 1000 gives another
// record length. Either byte order.
bool ParseMiniSeedHeader(const std::uint8_t* record, TMiniSeedHeader& header);

// A 512-byte big-endian record of `text` (at most MiniSeedLogTextBytes bytes) in ASCII encoding,
// channel LOG, starting at `startNs`, with the six-digit record number `number`.
constexpr std::size_t MiniSeedLogTextBytes = MiniSeedRecordBytes - 56;
void MakeMiniSeedLogRecord(std::string_view text, std::int64_t startNs, int number, std::uint8_t* record);

// "YYYY/MM/DD hh:mm:ss.ffff", the time form of SeedLink's INFO answers.
std::string SeedLinkTimeText(std::int64_t ns);
// "YYYY,MM,DD,hh,mm,ss[.ffffff]" (at least year, month and day) as the DATA and TIME commands give it;
// false for anything else.
bool ParseSeedLinkCommandTime(std::string_view text, std::int64_t& ns);

}  // namespace tevra
