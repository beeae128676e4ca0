#include "tools/common/RecordReader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace tevra {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// A number ends at the end of the line, a blank or a comma; "12abc" is no number.
const char* ParseColumn(const char* p, const char* end, double& value) {
  if (p < end && *p == '+') ++p;
  const auto result = std::from_chars(p, end, value);
  if (result.ec != std::errc() || !std::isfinite(value)) return nullptr;
  p = result.ptr;
  if (p < end && !IsBlank(*p) && *p != ',') return nullptr;
  return p;
}

}  // namespace

bool ParseRecordLine(std::string_view line, TAccelSample& sample) {
  const char* p = line.data();
  const char* end = p + line.size();
  double v[3];
  for (int i = 0; i < 3; ++i) {
    while (p < end && IsBlank(*p)) ++p;
    if (i > 0 && p < end && *p == ',') {
      ++p;
      while (p < end && IsBlank(*p)) ++p;
    }
    p = ParseColumn(p, end, v[i]);
    if (!p) return false;
  }
  sample = {v[0], v[1], v[2]};
  return true;
}

bool ReadRecord(const std::string& path, TRecord& record, std::string& error) {
  record = {};
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  const auto AddLine = [&record](std::string_view line) {
    TAccelSample s;
    if (ParseRecordLine(line, s)) {
      record.Samples.push_back(s);
    } else if (!record.Samples.empty() && line.find_first_not_of(" \t\r") != std::string_view::npos) {
      ++record.SkippedAfterFirstSample;
    }
  };
  // Read in pieces, not whole: a zero byte or a line without end (/dev/zero, a binary file) is no
  // record, and ends the reading before it fills the memory.
  std::string line;
  long long lineNumber = 1;
  char buffer[65536];
  std::size_t n = 0;
  bool ok = true;
  while (ok && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    std::string_view rest(buffer, n);
    while (!rest.empty()) {
      const auto lf = rest.find('\n');
      const std::string_view piece = rest.substr(0, lf);
      if (piece.find('\0') != std::string_view::npos) {
        error = path + ": line " + std::to_string(lineNumber) + " holds a zero byte: not a text record";
        ok = false;
        break;
      }
      if (line.size() + piece.size() > MaxRecordLineBytes) {
        error = path + ": line " + std::to_string(lineNumber) + " is longer than 1 MB: not a text record";
        ok = false;
        break;
      }
      line.append(piece);
      if (lf == std::string_view::npos) break;
      AddLine(line);
      line.clear();
      ++lineNumber;
      rest.remove_prefix(lf + 1);
    }
  }
  if (ok && std::ferror(f)) {
    error = path + ": " + std::strerror(errno);
    ok = false;
  }
  std::fclose(f);
  if (ok && !line.empty()) AddLine(line);
  if (!ok) record = {};
  return ok;
}

bool ReadRecord(const std::string& path, std::vector<TAccelSample>& samples, std::string& error) {
  TRecord record;
  if (!ReadRecord(path, record, error)) return false;
  samples = std::move(record.Samples);
  return true;
}

}  // namespace tevra
