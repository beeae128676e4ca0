#include "core/FFT.h"

#include <cmath>
#include <utility>

namespace tevra {

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
  // Each twiddle is stored as the pairs (w, w) and (v, -v), so both parts of a butterfly's
  // difference are formed by the same two products per lane and the loop vectorises.
  for (int s = 1; s <= exponent_; ++s) {
    const int half = n_ >> s;
    const int groups = 1 << (s - 1);
    for (int p = 0; p < half; ++p) {
      const double w = cosine_[static_cast<std::size_t>(p * groups)];
      const double v = sine_[static_cast<std::size_t>(p * groups)];
      stageCos_.insert(stageCos_.end(), {w, w});
      stageSin_.insert(stageSin_.end(), {v, -v});
      stageNegSin_.insert(stageNegSin_.end(), {-v, v});
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
  double* x = &work_.data()->Re;
  const double* stageCos = stageCos_.data();
  const double* stageSin = direction > 0 ? stageSin_.data() : stageNegSin_.data();
  for (int s = 1; s <= exponent_; ++s) {
    const int half = n_ >> s;
    const int groups = 1 << (s - 1);
    for (int g = 0; g < groups; ++g) {
      double* __restrict a = x + 4 * g * half;
      double* __restrict b = a + 2 * half;
      // p = 0 has the twiddle 1: the difference is stored as it is.
      {
        const double ar = a[0], ai = a[1], br = b[0], bi = b[1];
        a[0] = ar + br;
        a[1] = ai + bi;
        b[0] = ar - br;
        b[1] = ai - bi;
      }
      // re = dr*w + v*di, im = w*di - v*dr, written lane by lane.
      for (int p = 1; p < half; ++p) {
        const double ar = a[2 * p], ai = a[2 * p + 1], br = b[2 * p], bi = b[2 * p + 1];
        const double dr = ar - br, di = ai - bi;
        a[2 * p] = ar + br;
        a[2 * p + 1] = ai + bi;
        b[2 * p] = dr * stageCos[2 * p] + di * stageSin[2 * p];
        b[2 * p + 1] = di * stageCos[2 * p + 1] + dr * stageSin[2 * p + 1];
      }
    }
    stageCos += 2 * half;
    stageSin += 2 * half;
  }
  TComplexValue* c = work_.data();
  for (std::size_t k = 0; k < swaps_.size(); k += 2) std::swap(c[swaps_[k]], c[swaps_[k + 1]]);
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
