#pragma once
// The samples of one measurement tick: reader counts to gal, the running removal of each axis's
// rest level, the composite acceleration, the tick's largest composite, the intensity calculator
// and the long-period response (of the samples before the rest level's removal). The panel's
// measurement cycle and the line monitor both run it.
#include <vector>

#include "core/AccelSample.h"
#include "core/LongPeriodMeter.h"
#include "core/Tevra.h"

namespace tevra {

class TickProcessor {
 public:
  static constexpr int Capacity = 65536;
  // One count is a thousandth of standard gravity.
  static constexpr double GalPerCount = 0.980665;
  // A first-order running mean: a step of the rest level decays by 0.999 per sample.
  static constexpr double OffsetWeight = 0.001;
  // Priming fills the calculator's 2048-sample window twice over with the first batch.
  static constexpr int PrimeSamples = 4096;

  TickProcessor();

  // Start of a measurement with the first batch (counts): the offset becomes the batch mean, the
  // batch goes through the offset removal, and the calculator is fed the batch until it has had
  // at least PrimeSamples samples. CurrentIntensity starts at 0. False, with nothing changed,
  // for an empty batch: it gives neither a mean nor a way to prime.
  bool Start(const TAccelSample* counts, int n, Tevra& calculator);

  // One tick with the reader's batch (counts). `calculator` may be null when the caller feeds it.
  // Returns false, doing nothing, for a negative count or more than Capacity samples.
  bool Process(const TAccelSample* counts, int n, Tevra* calculator);

  std::vector<TAccelSample> TickSamples;  // gal, rest level removed; entries 0..SampleCount-1
  std::vector<double> TickComposite;      // gal
  int SampleCount = 0;
  TAccelSample Offset;
  double TickMaxComposite = 0.0;
  bool IntensityUpdated = false;
  double CurrentIntensity = 0.0;
  TLongPeriodMeter LongPeriod;  // started with the first batch's mean

 private:
  void RemoveOffset(int n);
};

}  // namespace tevra
