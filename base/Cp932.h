#pragma once
// Every text that leaves or enters the program (INI files, logs, data files, packets) is CP932;
// inside, texts are UTF-8. These are the only conversions between the two.
#include <cstddef>
#include <string>
#include <string_view>

namespace tevra {

// UTF-8 -> CP932 bytes. A character CP932 cannot hold, or a broken UTF-8 sequence, becomes '?'.
std::string Utf8ToCp932(std::string_view utf8);

// CP932 bytes -> UTF-8. A byte sequence that is not CP932 becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

// Longest prefix of the CP932 bytes that holds at most maxBytes bytes and ends on a character
// boundary (a lead byte is never separated from its trail byte).
std::string_view CutCp932(std::string_view cp932, std::size_t maxBytes);

// The UTF-8 text cut so that its CP932 form holds at most maxBytes bytes.
std::string CutUtf8ToCp932Bytes(std::string_view utf8, std::size_t maxBytes);

// True for a CP932 lead byte of a two-byte character.
constexpr bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace tevra
