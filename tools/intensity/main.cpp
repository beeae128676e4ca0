// tevra-intensity [--every] [--long-period] FILE: the intensities the panel would show for a
// recorded earthquake, and its long-period ground-motion class.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Tevra.h"
#include "tools/common/RecordReader.h"
#include "tools/intensity/IntensityRun.h"

namespace {

int Usage(std::FILE* out, int status) {
  std::fprintf(out,
               "usage: tevra-intensity [--every] [--long-period] FILE\n"
               "  FILE: three columns X, Y, Z in gal at 100 samples/s (commas or blanks)\n"
               "  --every        one line per 0.5-s block: <t> <intensity>\n"
               "  --long-period  the long-period ground-motion class of X and Y: sva, band and\n"
               "                 long-period lines before the max line\n");
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  bool every = false;
  bool longPeriod = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--every") == 0) {
      every = true;
    } else if (std::strcmp(argv[i], "--long-period") == 0) {
      longPeriod = true;
    } else if (std::strcmp(argv[i], "--help") == 0) {
      return Usage(stdout, 0);
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "tevra-intensity: unknown option %s\n", argv[i]);
      return Usage(stderr, 1);
    } else if (path) {
      return Usage(stderr, 1);
    } else {
      path = argv[i];
    }
  }
  if (!path) return Usage(stderr, 1);

  const tevra::TResult<tevra::TRecord> read = tevra::ReadRecord(path);
  if (!read) {
    std::fprintf(stderr, "tevra-intensity: %s\n", read.Error().Message.c_str());
    return 1;
  }
  const tevra::TRecord& record = read.Value();
  if (record.Samples.empty()) {
    std::fprintf(stderr, "tevra-intensity: %s: no samples (three numeric columns) found\n", path);
    return 1;
  }
  if (record.SkippedAfterFirstSample > 0) {
    std::fprintf(stderr, "tevra-intensity: warning: %d lines among the samples were not samples\n",
                 record.SkippedAfterFirstSample);
  }

  const tevra::TIntensityRun run = tevra::RunIntensity(record.Samples, every, stdout);
  if (run.Overflow) {
    std::fflush(stdout);
    std::fprintf(stderr, "tevra-intensity: %s: the amplitudes overflow the computation: no figure\n", path);
    return 1;
  }
  // Records whose velocities would overflow have been refused above: their intensity overflows first.
  if (longPeriod) tevra::PrintLongPeriod(tevra::RunLongPeriod(record.Samples), stdout);
  const int tenths = tevra::OfficialTenths(run.MaxIntensity);
  std::printf("max %.2f %.2f %d.%d %s\n", run.MaxIntensity, run.MaxTime, tenths / 10, tenths % 10,
              tevra::IntensityClassName(tenths / 10.0));
  if (record.Samples.size() < static_cast<std::size_t>(tevra::Tevra::N)) {
    std::fprintf(stderr,
                 "tevra-intensity: %s holds %zu samples, less than one 2048-sample window: the figures "
                 "come from a partly empty window\n",
                 path, record.Samples.size());
    return 2;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
