// Speed of the intensity computation: one transform, one block's computation, the offline tool
// over an hour of data, and the long-period response of one tick.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "core/LongPeriodMeter.h"
#include "core/Tevra.h"

namespace {

std::vector<tevra::TAccelSample> Noise(int count, double sigma) {
  std::mt19937 rng(11);
  std::normal_distribution<double> g(0.0, sigma);
  std::vector<tevra::TAccelSample> v(static_cast<std::size_t>(count));
  for (auto& s : v) s = {g(rng), g(rng), g(rng)};
  return v;
}

void BM_FFTTransform2048(benchmark::State& state) {
  tevra::FFT fft(11);
  const auto input = Noise(2048, 10.0);
  for (int i = 0; i < 2048; ++i) fft.Work()[i] = {input[i].X, 0.0};
  int direction = 1;
  for (auto _ : state) {
    fft.Transform(direction);
    direction = -direction;
    benchmark::DoNotOptimize(fft.Work());
  }
}
BENCHMARK(BM_FFTTransform2048);

// One AddSamples call of 50 samples completes one block: the window shift and one Compute.
void BM_TevraCompute(benchmark::State& state) {
  tevra::Tevra calculator{std::string()};
  const auto samples = Noise(5000, 30.0);
  calculator.AddSamples(samples.data(), 2500);
  std::size_t at = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(calculator.AddSamples(samples.data() + at, 50));
    at = (at + 50) % 4950;
  }
}
BENCHMARK(BM_TevraCompute)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The long-period response of one tick (10 samples): 64 oscillators, the last minute's maximum.
void BM_LongPeriodTick(benchmark::State& state) {
  tevra::TLongPeriodMeter meter;
  meter.Start({0.0, 0.0, 0.0});
  const auto samples = Noise(6000, 5.0);
  std::size_t at = 0;
  for (auto _ : state) {
    meter.Add(samples.data() + at, 10);
    benchmark::DoNotOptimize(meter.LastMinute());
    at = (at + 10) % 5990;
  }
}
BENCHMARK(BM_LongPeriodTick)->Repetitions(5)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);

// The whole tevra-intensity process over one hour of 100-Hz data (360000 lines).
void BM_IntensityToolOneHour(benchmark::State& state) {
  const std::string path = "/tmp/tevra_bench_one_hour.csv";
  if (std::FILE* f = std::fopen(path.c_str(), "w")) {
    const auto samples = Noise(360000, 3.0);
    for (const auto& s : samples) std::fprintf(f, "%.3f,%.3f,%.3f\n", s.X, s.Y, s.Z);
    std::fclose(f);
  }
  const std::string cmd = std::string(TEVRA_INTENSITY_TOOL) + " " + path + " > /dev/null";
  for (auto _ : state) {
    if (std::system(cmd.c_str()) != 0) state.SkipWithError("tevra-intensity failed");
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_IntensityToolOneHour)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
