#include "tools/common/RecordReader.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "base/AtomicFile.h"

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
  std::string bytes;
  errno = 0;
  if (!ReadWholeFile(path, bytes)) {
    error = path + ": " + (errno ? std::strerror(errno) : "cannot be read");
    return false;
  }
  record.Samples.reserve(bytes.size() / 20);
  std::string_view rest(bytes);
  while (!rest.empty()) {
    const auto lf = rest.find('\n');
    const std::string_view line = rest.substr(0, lf);
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
    TAccelSample s;
    if (ParseRecordLine(line, s)) {
      record.Samples.push_back(s);
    } else if (!record.Samples.empty() && line.find_first_not_of(" \t\r") != std::string_view::npos) {
      ++record.SkippedAfterFirstSample;
    }
  }
  return true;
}

bool ReadRecord(const std::string& path, std::vector<TAccelSample>& samples, std::string& error) {
  TRecord record;
  if (!ReadRecord(path, record, error)) return false;
  samples = std::move(record.Samples);
  return true;
}

}  // namespace tevra
