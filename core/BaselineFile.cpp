#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/AtomicFile.h"
#include "core/Tevra.h"

namespace tevra {
namespace {

constexpr std::size_t kMaxLine = 1023;

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// One "%lf" conversion: blanks skipped, an optional '+', the number. Locale-independent.
const char* ParseNumber(const char* p, const char* end, double& value) {
  while (p < end && IsBlank(*p)) ++p;
  if (p < end && *p == '+' && p + 1 < end && *(p + 1) != '-') ++p;
  const auto result = std::from_chars(p, end, value);
  return result.ec == std::errc() ? result.ptr : nullptr;
}

// A level is a modulus: a NaN, an infinity or a negative value would poison every later spectrum.
bool IsLevel(double v) {
  return std::isfinite(v) && v >= 0.0;
}

// "x,y,z" with blanks before each number; anything after the third number is ignored.
bool ParseLine(const char* p, const char* end, TAccelSample& entry) {
  double v[3];
  for (int i = 0; i < 3; ++i) {
    p = ParseNumber(p, end, v[i]);
    if (!p || !IsLevel(v[i])) return false;
    if (i < 2) {
      if (p >= end || *p != ',') return false;
      ++p;
    }
  }
  entry = {v[0], v[1], v[2]};
  return true;
}

void AppendNumber(std::string& out, double v) {
  char buf[32];
  const auto result = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 6);
  out.append(buf, result.ptr);
}

}  // namespace

bool LoadBaseline(const std::string& path, std::vector<TAccelSample>& table) {
  std::FILE* f = OpenRegularFile(path);
  if (!f) return false;
  char line[kMaxLine + 1];
  std::size_t i = 0;
  while (i < table.size()) {
    std::size_t length = 0;
    bool tooLong = false;
    int c = 0;
    while ((c = std::fgetc(f)) != EOF && c != '\n') {
      if (length < kMaxLine) {
        line[length++] = static_cast<char>(c);
      } else {
        tooLong = true;  // the rest of the line is skipped, not read as the next entry
      }
    }
    if (c == EOF && length == 0 && !tooLong) break;
    // An over-long or unparsable line leaves its entry at zero, never half filled.
    if (!tooLong) {
      TAccelSample entry;
      if (ParseLine(line, line + length, entry)) table[i] = entry;
    }
    ++i;
    if (c == EOF) break;
  }
  std::fclose(f);
  return true;
}

std::string FormatBaseline(const std::vector<TAccelSample>& table) {
  std::string out;
  out.reserve(table.size() * 40);
  for (const TAccelSample& e : table) {
    AppendNumber(out, e.X);
    out += ", ";
    AppendNumber(out, e.Y);
    out += ", ";
    AppendNumber(out, e.Z);
    out += '\n';
  }
  return out;
}

bool SaveBaseline(const std::string& path, const std::vector<TAccelSample>& table) {
  return WriteFileAtomically(path, FormatBaseline(table));
}

}  // namespace tevra
