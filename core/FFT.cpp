#include "core/FFT.h"

#include <cmath>
#include <utility>

namespace tevra {

double Modulus(const TComplexValue& c) { return std::sqrt(c.Re * c.Re + c.Im * c.Im); }

FFT::FFT(int exponent)
    : exponent_(exponent),
      n_(static_cast<int>(std::pow(2.0, exponent))),
      sine_(static_cast<std::size_t>(n_ / 2)),
      cosine_(static_cast<std::size_t>(n_ / 2)),
      work_(static_cast<std::size_t>(n_)) {
  for (int i = 0; i < n_ / 2; ++i) {
    const double theta = i * 6.283185307179586 / n_;
    sine_[i] = std::sin(theta);
    cosine_[i] = std::cos(theta);
  }
  // Stage tables: for each stage, the twiddles of p = 0 .. half-1 laid out contiguously, so the
  // butterfly loop reads them in order instead of striding through the full tables.
  for (int s = 1; s <= exponent_; ++s) {
    const int half = n_ >> s;
    const int groups = 1 << (s - 1);
    for (int p = 0; p < half; ++p) {
      stageCos_.push_back(cosine_[static_cast<std::size_t>(p * groups)]);
      stageSin_.push_back(sine_[static_cast<std::size_t>(p * groups)]);
      stageNegSin_.push_back(-sine_[static_cast<std::size_t>(p * groups)]);
    }
  }
  for (int i = 1, j = n_ / 2; i < n_; ++i) {
    if (i > j) {
      swaps_.push_back(i);
      swaps_.push_back(j);
    }
    int bit = n_ / 2;
    while (bit > 0 && (j & bit)) {
      j &= ~bit;
      bit >>= 1;
    }
    j |= bit;
  }
}

void FFT::Transform(int direction) {
  TComplexValue* x = work_.data();
  const double* stageCos = stageCos_.data();
  const double* stageSin = direction > 0 ? stageSin_.data() : stageNegSin_.data();
  for (int s = 1; s <= exponent_; ++s) {
    const int half = n_ >> s;
    const int groups = 1 << (s - 1);
    for (int g = 0; g < groups; ++g) {
      TComplexValue* a = x + g * 2 * half;
      TComplexValue* b = a + half;
      // p = 0 has the twiddle 1: the difference is stored as it is.
      {
        const TComplexValue A = a[0];
        const TComplexValue B = b[0];
        a[0] = {A.Re + B.Re, A.Im + B.Im};
        b[0] = {A.Re - B.Re, A.Im - B.Im};
      }
      for (int p = 1; p < half; ++p) {
        const TComplexValue A = a[p];
        const TComplexValue B = b[p];
        a[p] = {A.Re + B.Re, A.Im + B.Im};
        const double dr = A.Re - B.Re;
        const double di = A.Im - B.Im;
        const double w = stageCos[p];
        const double v = stageSin[p];
        b[p] = {dr * w + v * di, w * di - v * dr};
      }
    }
    stageCos += half;
    stageSin += half;
  }
  for (std::size_t k = 0; k < swaps_.size(); k += 2) std::swap(x[swaps_[k]], x[swaps_[k + 1]]);
}

void BuildGainTable(int n, double dt, double* gain) {
  const double df = 1.0 / (n * dt);
  gain[0] = 0.0;
  for (int k = 1; k < n / 2; ++k) {
    const double f = k * df;
    const double period = std::sqrt(1.0 / f);
    const double x = f * 0.1;
    const double sum = 1.0 + 0.694 * std::pow(x, 2) + 0.241 * std::pow(x, 4) + 0.0557 * std::pow(x, 6) +
                       0.009664 * std::pow(x, 8) + 0.00134 * std::pow(x, 10) + 0.000155 * std::pow(x, 12);
    const double highCut = std::pow(sum, -0.5);
    const double lowCut = std::sqrt(1.0 - std::exp(-std::pow(f / 0.5, 3)));
    gain[k] = highCut * period * lowCut;
  }
  gain[n / 2] = 0.0;
  for (int j = 1; j < n / 2; ++j) gain[n / 2 + j] = gain[n / 2 - j];
}

}  // namespace tevra
