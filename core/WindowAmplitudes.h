#pragma once
// Amplitude spectra of the calculator's newest window per axis, from the same unnormalised forward
// transform its baseline learns from, so the two compare bin by bin. Computed only when asked.
#include <vector>

#include "core/AccelSample.h"
#include "core/FFT.h"
#include "core/Tevra.h"

namespace tevra {

class TWindowAmplitudes {
 public:
  static constexpr int Bins = Tevra_Base::N / 2 + 1;  // 0 Hz up to the Nyquist frequency

  TWindowAmplitudes();

  // |S_k| of each axis for k = 0 .. Bins-1; a window of another length leaves them as they were.
  void Compute(const std::vector<TAccelSample>& window);
  const std::vector<TAccelSample>& Amplitudes() const { return amplitudes_; }

  // Frequency of bin k in Hz: k / (N dt).
  static double Frequency(int k) { return k / (Tevra_Base::N * Tevra_Base::SampleInterval); }

 private:
  FFT transform_;
  std::vector<TAccelSample> amplitudes_;
};

}  // namespace tevra
