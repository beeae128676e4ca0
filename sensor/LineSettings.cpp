#include "sensor/LineSettings.h"

#include <charconv>

namespace tevra {
namespace {

char Upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool Number(std::string_view s, unsigned& value) {
  if (s.empty()) return false;
  const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  return ec == std::errc() && ptr == s.data() + s.size();
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

}  // namespace

bool BuildLineSettings(std::string_view text, TLineSettings& settings) {
  TLineSettings s = settings;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] == ' ' || text[pos] == '\t') {
      ++pos;
      continue;
    }
    std::size_t end = text.find_first_of(" \t", pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view piece = text.substr(pos, end - pos);
    pos = end;
    const std::size_t eq = piece.find('=');
    if (eq == std::string_view::npos) return false;
    const std::string_view key = piece.substr(0, eq);
    const std::string_view value = piece.substr(eq + 1);
    unsigned n = 0;
    if (SameKey(key, "baud")) {
      if (!Number(value, n) || n == 0) return false;
      s.Baud = n;
    } else if (SameKey(key, "parity")) {
      if (value.size() != 1) return false;
      const char p = Upper(value[0]);
      if (p != 'N' && p != 'O' && p != 'E' && p != 'M' && p != 'S') return false;
      s.Parity = p;
    } else if (SameKey(key, "data")) {
      if (!Number(value, n) || n < 5 || n > 8) return false;
      s.DataBits = static_cast<int>(n);
    } else if (SameKey(key, "stop")) {
      if (value == "1") {
        s.StopTenths = 10;
      } else if (value == "1.5") {
        s.StopTenths = 15;
      } else if (value == "2") {
        s.StopTenths = 20;
      } else {
        return false;
      }
    } else {
      return false;
    }
  }
  settings = s;
  return true;
}

}  // namespace tevra
