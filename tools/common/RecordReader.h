#pragma once
// Acceleration records as text: three numeric columns X, Y, Z in gal at 100 samples/s, separated by
// commas or blanks. Lines that do not start with three numbers (headers in any encoding) are skipped,
// so the agency's strong-motion CSV files read as they are.
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"
#include "core/AccelSample.h"

namespace tevra {

// Parses one line; false when it does not start with three finite numbers.
bool ParseRecordLine(std::string_view line, TAccelSample& sample);

struct TRecord {
  std::vector<TAccelSample> Samples;
  // Lines after the first sample that were not samples: a sign of a damaged record.
  int SkippedAfterFirstSample = 0;
};

// A longer line is no line of a record.
constexpr std::size_t MaxRecordLineBytes = 1 << 20;

// Reads a record file; an error when the file cannot be read, holds a zero byte or a line longer
// than MaxRecordLineBytes.
TResult<TRecord> ReadRecord(const std::string& path);
// The same, for callers that want only the samples.
TResult<std::vector<TAccelSample>> ReadRecordSamples(const std::string& path);

}  // namespace tevra
