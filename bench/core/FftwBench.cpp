// The six 2048-point transforms of one block, ours against FFTW's best plan.
#include <benchmark/benchmark.h>
#include <fftw3.h>

#include <chrono>
#include <random>

#include "core/FFT.h"

namespace {

template <typename F>
double SecondsFor(int rounds, F f) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_SixTransformsOurs(benchmark::State& state) {
  tevra::FFT fft(11);
  std::mt19937 rng(5);
  std::normal_distribution<double> g(0, 10);
  for (int i = 0; i < 2048; ++i) fft.Work()[i] = {g(rng), 0.0};
  for (auto _ : state) {
    for (int axis = 0; axis < 3; ++axis) {
      fft.Transform(1);
      fft.Transform(-1);
    }
    benchmark::DoNotOptimize(fft.Work());
  }
}
BENCHMARK(BM_SixTransformsOurs)->Unit(benchmark::kMicrosecond);

void BM_SixTransformsFftw(benchmark::State& state) {
  fftw_complex* buf = fftw_alloc_complex(2048);
  fftw_plan forward = fftw_plan_dft_1d(2048, buf, buf, FFTW_FORWARD, FFTW_MEASURE);
  fftw_plan backward = fftw_plan_dft_1d(2048, buf, buf, FFTW_BACKWARD, FFTW_MEASURE);
  std::mt19937 rng(5);
  std::normal_distribution<double> g(0, 10);
  for (int i = 0; i < 2048; ++i) buf[i][0] = g(rng), buf[i][1] = 0.0;
  auto six = [&] {
    for (int axis = 0; axis < 3; ++axis) {
      fftw_execute(forward);
      fftw_execute(backward);
    }
    benchmark::DoNotOptimize(buf);
  };
  for (auto _ : state) six();

  tevra::FFT ours(11);
  for (int i = 0; i < 2048; ++i) ours.Work()[i] = {buf[i][0], buf[i][1]};
  auto sixOurs = [&] {
    for (int axis = 0; axis < 3; ++axis) {
      ours.Transform(1);
      ours.Transform(-1);
    }
    benchmark::DoNotOptimize(ours.Work());
  };
  const double tOurs = SecondsFor(3000, sixOurs);
  const double tFftw = SecondsFor(3000, six);
  state.counters["ours_over_fftw"] = tOurs / tFftw;
  fftw_destroy_plan(forward);
  fftw_destroy_plan(backward);
  fftw_free(buf);
}
BENCHMARK(BM_SixTransformsFftw)->Unit(benchmark::kMicrosecond);

}  // namespace
