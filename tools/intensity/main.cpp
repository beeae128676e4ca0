// tevra-intensity [--every] FILE: the intensities the panel would show for a recorded earthquake.
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Tevra.h"
#include "tools/common/RecordReader.h"
#include "tools/intensity/IntensityRun.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: tevra-intensity [--every] FILE\n"
               "  FILE: three columns X, Y, Z in gal at 100 samples/s (commas or blanks)\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool every = false;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--every") == 0) {
      every = true;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "tevra-intensity: unknown option %s\n", argv[i]);
      return Usage();
    } else if (path) {
      return Usage();
    } else {
      path = argv[i];
    }
  }
  if (!path) return Usage();

  tevra::TRecord record;
  std::string error;
  if (!tevra::ReadRecord(path, record, error)) {
    std::fprintf(stderr, "tevra-intensity: %s\n", error.c_str());
    return 1;
  }
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
