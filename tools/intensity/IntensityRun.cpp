#include "tools/intensity/IntensityRun.h"

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

int OfficialTenths(double intensity) {
  const long long hundredths = std::llround(intensity * 100.0);
  return static_cast<int>(hundredths / 10);
}

}  // namespace tevra
