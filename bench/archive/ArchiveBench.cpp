// One hour of the continuous record (360000 samples on each of three channels) timed, packed
// into miniSEED and appended to an SDS archive, offline: the target is well under 0.5 s, so the
// 100-ms tick never notices it.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/DataOutput.h"

namespace {

using namespace tevra;

constexpr int kTick = 10;
constexpr int kHourTicks = 36000;

// A quiet site (noise of a count or two) or strong motion (hundreds of counts) on every axis.
std::vector<TAccelSample> Signal(bool strong) {
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 1.5);
  std::vector<TAccelSample> s(static_cast<std::size_t>(kTick) * kHourTicks);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const double swing = strong ? 400.0 * std::sin(0.2 * static_cast<double>(i)) : 0.0;
    s[i] = {std::round(2048 + swing + noise(rng)), std::round(2048 - swing + noise(rng)),
            std::round(3048 + 0.5 * swing + noise(rng))};
  }
  return s;
}

void BM_ArchiveOneHour(benchmark::State& state) {
  const bool strong = state.range(0) != 0;
  const std::vector<TAccelSample> samples = Signal(strong);
  const char* tmp = std::getenv("TMPDIR");
  for (auto _ : state) {
    state.PauseTiming();
    // A disk-backed folder (not a tmpfs /tmp) unless TMPDIR says otherwise.
    std::string dir = std::string(tmp != nullptr ? tmp : "/var/tmp") + "/tevra_sds_XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) {
      state.SkipWithError("no scratch folder");
      return;
    }
    TDataOutputSettings settings;
    settings.Archive = true;
    settings.ArchiveFolder = dir;
    long long records = 0;
    {
      TDataOutput output([](const std::string&) {}, [] { return true; });
      output.Configure(settings);
      output.SetRecordSink([&](const std::uint8_t*, std::size_t) { ++records; });
      state.ResumeTiming();
      const std::int64_t start = 1710028740LL * 1000000;
      for (int t = 0; t < kHourTicks; ++t) {
        output.Feed(samples.data() + static_cast<std::size_t>(t) * kTick, kTick, start + t * 100000LL);
      }
      output.Stop();
      state.PauseTiming();
    }
    state.counters["records"] = static_cast<double>(records);
    std::filesystem::remove_all(dir);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ArchiveOneHour)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
