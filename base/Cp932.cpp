#include "base/Cp932.h"

#include <iconv.h>

#include <cerrno>

namespace tevra {
namespace {

// iconv descriptors are costly to open; one per direction and thread is kept for the process life.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts `in`; at each unconvertible or incomplete sequence `skip(in)` tells how many input
  // bytes to drop and `replacement` is appended instead.
  template <typename Skip>
  std::string Run(std::string_view in, std::string_view replacement, Skip skip) {
    std::string out;
    out.reserve(in.size() * 3 / 2 + 4);
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char buffer[1024];
    while (srcLeft > 0) {
      char* dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      const std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<std::size_t>(dst - buffer));
      if (rc != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) continue;
      // EILSEQ or EINVAL: replace one character's worth of input and go on.
      std::size_t n = skip(std::string_view(src, srcLeft));
      if (n == 0 || n > srcLeft) n = 1;
      src += n;
      srcLeft -= n;
      out.append(replacement);
      iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return out;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence that starts `s` (1 for a stray byte).
std::size_t Utf8SequenceLength(std::string_view s) {
  const auto c = static_cast<unsigned char>(s[0]);
  std::size_t n = 1;
  if (c >= 0xF0 && c <= 0xF4)
    n = 4;
  else if (c >= 0xE0)
    n = 3;
  else if (c >= 0xC2 && c < 0xE0)
    n = 2;
  if (n > s.size()) return 1;
  for (std::size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  }
  return n;
}

bool IsAscii(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

}  // namespace

std::string Utf8ToCp932(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  thread_local Converter conv("CP932", "UTF-8");
  if (!conv.Ok()) return std::string(utf8);
  return conv.Run(utf8, "?", Utf8SequenceLength);
}

std::string Cp932ToUtf8(std::string_view cp932) {
  if (IsAscii(cp932)) return std::string(cp932);
  thread_local Converter conv("UTF-8", "CP932");
  if (!conv.Ok()) return std::string(cp932);
  return conv.Run(cp932, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
}

std::string_view CutCp932(std::string_view cp932, std::size_t maxBytes) {
  std::size_t i = 0;
  while (i < cp932.size()) {
    const std::size_t n =
        (IsCp932LeadByte(static_cast<unsigned char>(cp932[i])) && i + 1 < cp932.size()) ? 2 : 1;
    if (i + n > maxBytes) break;
    i += n;
  }
  return cp932.substr(0, i);
}

std::string CutUtf8ToCp932Bytes(std::string_view utf8, std::size_t maxBytes) {
  std::size_t used = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    const std::size_t n = Utf8SequenceLength(utf8.substr(i));
    const std::size_t width = Utf8ToCp932(utf8.substr(i, n)).size();
    if (used + width > maxBytes) break;
    used += width;
    i += n;
  }
  return std::string(utf8.substr(0, i));
}

}  // namespace tevra
