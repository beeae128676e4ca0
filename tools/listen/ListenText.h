#pragma once
// How tevra-listen shows what arrived: options, and a datagram's text decoded from CP932.
#include <string>
#include <string_view>

#include "base/Result.h"

namespace tevra {

// The datagram decoded from CP932 to UTF-8; control bytes and bytes that are not CP932 appear
// as \xNN, so one datagram is always one printable line.
std::string ListenText(std::string_view bytes);

struct TListenOptions {
  int Port = 6668;      // the panel's default destination port
  long Count = -1;      // stop after this many datagrams; -1 = no limit
  double Seconds = -1;  // stop after this long; -1 = no limit
};

// Parses "--port P", "--count N", "--seconds S" (also "--name=value"). An error on an unknown
// option, a missing value or a value out of range.
TResult<TListenOptions> ParseListenOptions(int argc, const char* const* argv);

}  // namespace tevra
