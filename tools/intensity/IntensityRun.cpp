#include "tools/intensity/IntensityRun.h"

#include <algorithm>
#include <cmath>

#include "core/Tevra.h"

namespace tevra {

TIntensityRun RunIntensity(const std::vector<TAccelSample>& samples, bool every, std::FILE* out) {
  Tevra calculator{std::string()};
  TIntensityRun run;
  const int total = static_cast<int>(samples.size());
  for (int fed = 0; fed < total;) {
    const int count = std::min(Tevra::BlockLength, total - fed);
    calculator.AddSamples(samples.data() + fed, count);
    fed += count;
    if (calculator.ResultReady != 1) continue;
    const double intensity = calculator.GetIntensity();
    if (!std::isfinite(intensity)) {
      run.Overflow = true;
      break;
    }
    const double t = fed * Tevra::SampleInterval;
    ++run.Blocks;
    if (every) std::fprintf(out, "%.2f %.2f\n", t, intensity);
    if (run.Blocks == 1 || intensity > run.MaxIntensity) {
      run.MaxIntensity = intensity;
      run.MaxTime = t;
    }
  }
  return run;
}

TLongPeriodRun RunLongPeriod(const std::vector<TAccelSample>& samples) {
  TLongPeriodResponse response;
  response.Start(0.0, 0.0);
  for (const TAccelSample& s : samples) response.Add(s.X, s.Y);
  TLongPeriodRun run;
  for (int k = 0; k < kLongPeriodCount; ++k) run.Sva[k] = response.PeakSva(k);
  run.Peak = response.Peak();
  return run;
}

void PrintLongPeriod(const TLongPeriodRun& run, std::FILE* out) {
  std::array<double, kLongPeriodBandCount> bands{};
  for (int k = 0; k < kLongPeriodCount; ++k) {
    std::fprintf(out, "sva %.1f %.4f\n", LongPeriodSeconds(k), run.Sva[k]);
    double& band = bands[LongPeriodBand(k) - 1];
    band = std::max(band, run.Sva[k]);
  }
  for (int b = 0; b < kLongPeriodBandCount; ++b) {
    std::fprintf(out, "band %d %.4f %d\n", b + 1, bands[b], LongPeriodClass(bands[b]));
  }
  std::fprintf(out, "long-period %d %.4f %.1f\n", LongPeriodClass(run.Peak.Sva), run.Peak.Sva,
               LongPeriodSeconds(run.Peak.Period));
}

int OfficialTenths(double intensity) {
  const long long hundredths = std::llround(intensity * 100.0);
  return static_cast<int>(hundredths / 10);
}

}  // namespace tevra
