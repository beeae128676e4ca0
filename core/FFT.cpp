#include "core/FFT.h"

#include <cmath>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

#if defined(__SSE2__)
using Pair = __m128d;
inline Pair Load(const double* p) {
  return _mm_loadu_pd(p);
}
inline void Store(double* p, Pair v) {
  _mm_storeu_pd(p, v);
}
inline Pair Add(Pair a, Pair b) {
  return _mm_add_pd(a, b);
}
inline Pair Sub(Pair a, Pair b) {
  return _mm_sub_pd(a, b);
}
inline Pair Mul(Pair a, Pair b) {
  return _mm_mul_pd(a, b);
}
inline Pair Swap(Pair a) {
  return _mm_shuffle_pd(a, a, 1);
}
#else
struct Pair {
  double lo, hi;
};
inline Pair Load(const double* p) {
  return {p[0], p[1]};
}
inline void Store(double* p, Pair v) {
  p[0] = v.lo, p[1] = v.hi;
}
inline Pair Add(Pair a, Pair b) {
  return {a.lo + b.lo, a.hi + b.hi};
}
inline Pair Sub(Pair a, Pair b) {
  return {a.lo - b.lo, a.hi - b.hi};
}
inline Pair Mul(Pair a, Pair b) {
  return {a.lo * b.lo, a.hi * b.hi};
}
inline Pair Swap(Pair a) {
  return {a.hi, a.lo};
}
#endif

// The difference D = (dr, di) times the twiddle: (dr*w + di*v, di*w + dr*(-v)), that is
// re = dr*w + v*di and im = w*di - v*dr, with (w, w) and (v, -v) from the stage tables.
inline Pair Twiddle(Pair d, const double* cosPair, const double* sinPair) {
  return Add(Mul(d, Load(cosPair)), Mul(Swap(d), Load(sinPair)));
}

}  // namespace

void FFT::Transform(int direction) {
  double* x = &work_.data()->Re;
  const double* stageCos = stageCos_.data();
  const double* stageSin = direction > 0 ? stageSin_.data() : stageNegSin_.data();
  // All stages but the last two; p = 0 has the twiddle 1, so its difference is stored as it is.
  int s = 1;
  for (; s <= exponent_ - 2; ++s) {
    const int half = n_ >> s;
    const int groups = 1 << (s - 1);
    for (int g = 0; g < groups; ++g) {
      double* a = x + 4 * g * half;
      double* b = a + 2 * half;
      {
        const Pair A = Load(a), B = Load(b);
        Store(a, Add(A, B));
        Store(b, Sub(A, B));
      }
      for (int p = 1; p < half; ++p) {
        const Pair A = Load(a + 2 * p), B = Load(b + 2 * p);
        Store(a + 2 * p, Add(A, B));
        Store(b + 2 * p, Twiddle(Sub(A, B), stageCos + 2 * p, stageSin + 2 * p));
      }
    }
    stageCos += 2 * half;
    stageSin += 2 * half;
  }
  // The last two stages (half = 2, then half = 1) done together on each run of four values:
  // the same butterflies in the same order, without the loop overhead of tiny groups.
  if (s == exponent_ - 1) {
    for (int g = 0; g < n_ / 4; ++g) {
      double* q = x + 8 * g;
      const Pair x0 = Load(q), x1 = Load(q + 2), x2 = Load(q + 4), x3 = Load(q + 6);
      const Pair t0 = Add(x0, x2), t2 = Sub(x0, x2), t1 = Add(x1, x3);
      const Pair t3 = Twiddle(Sub(x1, x3), stageCos + 2, stageSin + 2);
      Store(q, Add(t0, t1));
      Store(q + 2, Sub(t0, t1));
      Store(q + 4, Add(t2, t3));
      Store(q + 6, Sub(t2, t3));
    }
  } else if (s == exponent_) {  // a two-point transform
    const Pair x0 = Load(x), x1 = Load(x + 2);
    Store(x, Add(x0, x1));
    Store(x + 2, Sub(x0, x1));
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
