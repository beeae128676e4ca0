#include "core/WindowAmplitudes.h"

namespace tevra {

TWindowAmplitudes::TWindowAmplitudes() : transform_(Tevra_Base::WindowExponent), amplitudes_(Bins) {}

void TWindowAmplitudes::Compute(const std::vector<TAccelSample>& window) {
  if (static_cast<int>(window.size()) != Tevra_Base::N) return;
  for (double TAccelSample::*axis : {&TAccelSample::X, &TAccelSample::Y, &TAccelSample::Z}) {
    TComplexValue* s = transform_.Work();
    for (int k = 0; k < Tevra_Base::N; ++k) s[k] = {window[k].*axis, 0.0};
    transform_.Transform(1);
    for (int k = 0; k < Bins; ++k) amplitudes_[k].*axis = Modulus(s[k]);
  }
}

}  // namespace tevra
