#include "sensor/TickProcessor.h"

#include <cmath>

namespace tevra {

TickProcessor::TickProcessor() : TickSamples(Capacity), TickComposite(Capacity) {}

void TickProcessor::RemoveOffset(int n) {
  TickMaxComposite = 0.0;
  for (int i = 0; i < n; ++i) {
    TAccelSample& s = TickSamples[i];
    // The sample keeps its deviation from the old offset; the offset then follows it a little.
    const double dx = s.X - Offset.X;
    s.X = dx;
    Offset.X += OffsetWeight * dx;
    const double dy = s.Y - Offset.Y;
    s.Y = dy;
    Offset.Y += OffsetWeight * dy;
    const double dz = s.Z - Offset.Z;
    s.Z = dz;
    Offset.Z += OffsetWeight * dz;
    const double c = std::sqrt(dx * dx + dy * dy + dz * dz);
    TickComposite[i] = c;
    if (c > TickMaxComposite) TickMaxComposite = c;
  }
  SampleCount = n;
}

bool TickProcessor::Start(const TAccelSample* counts, int n, Tevra& calculator) {
  if (n <= 0 || n > Capacity) return false;
  CurrentIntensity = 0.0;
  IntensityUpdated = false;
  TAccelSample sum;
  for (int i = 0; i < n; ++i) {
    TickSamples[i] = {counts[i].X * GalPerCount, counts[i].Y * GalPerCount, counts[i].Z * GalPerCount};
    sum.X += TickSamples[i].X;
    sum.Y += TickSamples[i].Y;
    sum.Z += TickSamples[i].Z;
  }
  Offset = {sum.X / n, sum.Y / n, sum.Z / n};
  LongPeriod.Start(Offset);
  LongPeriod.Add(TickSamples.data(), n);
  RemoveOffset(n);
  for (int fed = 0; fed < PrimeSamples; fed += n) calculator.AddSamples(TickSamples.data(), n);
  return true;
}

bool TickProcessor::Process(const TAccelSample* counts, int n, Tevra* calculator) {
  if (n < 0 || n > Capacity) return false;
  for (int i = 0; i < n; ++i) {
    TickSamples[i] = {counts[i].X * GalPerCount, counts[i].Y * GalPerCount, counts[i].Z * GalPerCount};
  }
  LongPeriod.Add(TickSamples.data(), n);
  RemoveOffset(n);
  IntensityUpdated = false;
  if (calculator) {
    calculator->AddSamples(TickSamples.data(), n);
    if (calculator->ResultReady == 1) {
      IntensityUpdated = true;
      CurrentIntensity = calculator->GetIntensity();
    }
  }
  return true;
}

}  // namespace tevra
