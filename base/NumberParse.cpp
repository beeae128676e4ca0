#include "base/NumberParse.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <system_error>

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

namespace {

bool IsCSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t SkipSpace(std::string_view t, std::size_t i) {
  while (i < t.size() && IsCSpace(t[i])) ++i;
  return i;
}

}  // namespace

int ParseLongPrefix(std::string_view text) {
  std::size_t i = SkipSpace(text, 0);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

double ParseDecimalPrefix(std::string_view text) {
  const std::size_t begin = SkipSpace(text, 0);
  std::size_t i = begin;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const std::size_t mantissa = i;
  std::size_t intDigits = 0;
  long long whole = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i, ++intDigits) {
    if (intDigits < 18) whole = whole * 10 + (text[i] - '0');
  }
  std::size_t fracDigits = 0;
  const bool hasPoint = i < text.size() && text[i] == '.';
  if (hasPoint) {
    ++i;
    for (; i < text.size() && IsDigit(text[i]); ++i) ++fracDigits;
  }
  if (intDigits + fracDigits == 0) return 0.0;
  std::size_t end = i;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      end = j;
    }
  }
  // Plain integers (every sensor field) need no rounding decisions.
  if (end == mantissa + intDigits && intDigits <= 18) {
    const double v = static_cast<double>(whole);
    return negative ? -v : v;
  }
  // Everything else is correctly rounded by from_chars, which never looks at the locale.
  double value = 0.0;
  const char* first = text.data() + mantissa;
  const char* last = text.data() + end;
  const auto [ptr, ec] = std::from_chars(first, last, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range) {
    // atof gives HUGE_VAL for too large and (about) zero for too small magnitudes.
    const std::size_t e = mantissa + intDigits + (hasPoint ? 1 + fracDigits : 0);
    const bool negativeExponent = e + 1 < end && text[e + 1] == '-';
    value = negativeExponent ? 0.0 : HUGE_VAL;
  } else if (ec != std::errc() || ptr != last) {
    value = 0.0;
  }
  return negative ? -value : value;
}

std::string FormatInt(int value) {
  char buf[16];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, ec == std::errc() ? ptr : buf);
}

std::string FormatFixed6(double value) {
  // "%f" of the largest double has 316 characters.
  char buf[400];
  const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
  if (ec != std::errc()) return "0.000000";
  return std::string(buf, ptr);
}

}  // namespace tevra
