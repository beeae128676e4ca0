// The reader must never be why a tick runs late; the sensor itself sends only 1.7 kB/s.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "support/RecordingPlatform.h"
#include "sensor/TickProcessor.h"
#include "sensor/VXTRRR.h"

namespace {

using namespace tevra;

// An endless stream of valid frames handed out in reads of 16384 bytes; 17 reads make one turn,
// so the frame boundaries fall everywhere in the chunk.
class TStreamLink : public TSerialLink, public TPortOwner {
 public:
  TStreamLink() {
    for (int i = 0; i < VXTRRR::ReadChunk; ++i) {
      char f[32];
      std::snprintf(f, sizeof f, "%04d,%04d,%04d,0\r", 2000 + i % 90, 2048 - i % 70, 1048 + i % 50);
      stream_ += f;
    }
  }
  int Read(char* buffer, int count) override {
    std::memcpy(buffer, stream_.data() + pos_, static_cast<std::size_t>(count));
    pos_ = (pos_ + static_cast<std::size_t>(count)) % stream_.size();
    return count;
  }
  int Purge(unsigned) override { return 1; }
  unsigned ClearCommError() override { return 0; }
  TSerialLink* CurrentPort() override { return this; }
  void ReopenPort() override {}

 private:
  std::string stream_;
  std::size_t pos_ = 0;
};

void BM_ReadFrames16384(benchmark::State& state) {
  TStreamLink link;
  TRecordingPlatform platform;
  VXTRRR reader(link, platform);
  for (auto _ : state) {
    if (!reader.ReadFrames()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(reader.Samples()[0]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * VXTRRR::ReadChunk);
}
BENCHMARK(BM_ReadFrames16384);

// One tick of n samples: gal, offset removal, composite and maximum; with the calculator or not.
void BM_TickProcess(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const bool withCalculator = state.range(1) != 0;
  std::vector<TAccelSample> counts(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) counts[i] = {2048.0 + i % 7, 2048.0 - i % 5, 3048.0 + i % 3};
  TickProcessor processor;
  Tevra calculator("");
  processor.Start(counts.data(), n, calculator);
  for (auto _ : state) {
    processor.Process(counts.data(), n, withCalculator ? &calculator : nullptr);
    benchmark::DoNotOptimize(processor.TickMaxComposite);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_TickProcess)->Args({10, 0})->Args({963, 0})->Args({10, 1})->Args({963, 1});

}  // namespace

BENCHMARK_MAIN();
