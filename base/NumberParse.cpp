#include "base/NumberParse.h"

#include <charconv>
#include <cmath>

namespace tevra {

bool ParseFinite(std::string_view text, double& value) {
  double v = 0.0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (text.empty() || ec != std::errc() || ptr != end || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool ParseInteger(std::string_view text, int low, int high, int& value) {
  int v = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end || v < low || v > high) return false;
  value = v;
  return true;
}

bool ParseDigits(std::string_view text, std::size_t at, std::size_t count, int& value) {
  if (at > text.size() || count > text.size() - at || count > 9) return false;
  int v = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  value = v;
  return true;
}

}  // namespace tevra
