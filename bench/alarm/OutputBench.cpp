// The alarm start writes up to 60 s of samples inside one 100-ms tick, and every tick buffers
// its samples: both must stay far below the tick.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Tevra.h"
#include "alarm/AlarmFiles.h"

namespace {

using namespace tevra;

constexpr TLocalDateTime kNow{2007, 10, 30, 12, 34, 56};

void Fill(TDetailRing& ring, int count) {
  std::vector<TAccelSample> samples(count);
  std::vector<double> composite(count);
  for (int i = 0; i < count; ++i) {
    samples[i] = {0.01 * i - 3.3, 12.345 + 0.001 * i, -0.5 * (i % 100)};
    composite[i] = Magnitude(samples[i]);
  }
  PushTickRecords(ring, kNow, samples.data(), composite.data(), count, 3.21);
}

void BM_DrainFullRing(benchmark::State& state) {
  // A disk-backed folder (not a tmpfs /tmp) unless TMPDIR says otherwise.
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp != nullptr ? tmp : "/var/tmp") + "/tevra_drain_XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) {
    state.SkipWithError("no scratch folder");
    return;
  }
  TPanelSettings settings;
  settings.SensorId = "BENCH";
  settings.DetailFolder = dir;
  TAlarmFiles recorder;
  Tevra calculator("");
  if (!recorder.StartAlarmRecording(settings, kNow, calculator).Ok()) {
    state.SkipWithError("cannot open the detail file");
    return;
  }
  for (auto _ : state) {
    state.PauseTiming();
    recorder.DetailFile.TruncateTo(0);
    Fill(recorder.DetailRing, TDetailRing::Capacity);
    state.ResumeTiming();
    if (!recorder.DrainDetailRing().Ok()) state.SkipWithError("write failed");
  }
  state.SetItemsProcessed(state.iterations() * TDetailRing::Capacity);
  recorder.CloseDetailFile();
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_DrainFullRing)->Unit(benchmark::kMillisecond);

void BM_PushTickRecords(benchmark::State& state) {
  constexpr int kTick = 10;  // samples per 100-ms tick at 100 per second
  TDetailRing ring;
  std::vector<TAccelSample> samples(kTick, {1.0, 2.0, 3.0});
  std::vector<double> composite(kTick, 3.7);
  for (auto _ : state) {
    PushTickRecords(ring, kNow, samples.data(), composite.data(), kTick, 1.0);
    benchmark::ClobberMemory();
  }
  state.counters["per_sample"] =
      benchmark::Counter(kTick, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PushTickRecords);

}  // namespace

BENCHMARK_MAIN();
