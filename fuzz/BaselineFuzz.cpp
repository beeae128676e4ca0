// The baseline-file reader on arbitrary file contents.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/Tevra.h"

namespace {

std::string gScratch;  // one file for the whole run, removed at exit
void RemoveScratch() {
  unlink(gScratch.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char name[] = "/tmp/tevra-fuzz-baseline-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) std::abort();
  close(fd);
  gScratch = name;
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(gScratch.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  std::vector<tevra::TAccelSample> table(tevra::Tevra_Base::N);
  if (!tevra::LoadBaseline(gScratch, table)) __builtin_trap();
  if (table.size() != static_cast<std::size_t>(tevra::Tevra_Base::N)) __builtin_trap();
  return 0;
}
