#include "tools/common/RecordReader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

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

// "<path>: <the system's reason>", as the tools have always printed it.
TError ReadFailure(const std::string& path, int err) {
  return {path + ": " + ErrnoText(err), err};
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

TResult<TRecord> ReadRecord(const std::string& path) {
  TRecord record;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return ReadFailure(path, errno);
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
  std::optional<TError> error;
  const auto notText = [&](const char* why) {
    return TError{path + ": line " + std::to_string(lineNumber) + why + ": not a text record"};
  };
  while (!error && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    std::string_view rest(buffer, n);
    while (!rest.empty()) {
      const auto lf = rest.find('\n');
      const std::string_view piece = rest.substr(0, lf);
      if (piece.find('\0') != std::string_view::npos) {
        error = notText(" holds a zero byte");
        break;
      }
      if (line.size() + piece.size() > MaxRecordLineBytes) {
        error = notText(" is longer than 1 MB");
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
  if (!error && std::ferror(f)) error = ReadFailure(path, errno);
  std::fclose(f);
  if (error) return *error;
  if (!line.empty()) AddLine(line);
  return record;
}

TResult<std::vector<TAccelSample>> ReadRecordSamples(const std::string& path) {
  TResult<TRecord> record = ReadRecord(path);
  if (!record) return record.Error();
  return std::move(record).Value().Samples;
}

}  // namespace tevra
