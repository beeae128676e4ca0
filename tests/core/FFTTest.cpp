#include "core/FFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

namespace tevra {
namespace {

using Cplx = std::complex<double>;

std::vector<Cplx> NaiveDft(const std::vector<Cplx>& x, int sign) {
  const std::size_t n = x.size();
  std::vector<Cplx> out(n);
  for (std::size_t k = 0; k < n; ++k) {
    Cplx sum = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const double angle = sign * 2.0 * M_PI * static_cast<double>((j * k) % n) / static_cast<double>(n);
      sum += x[j] * Cplx(std::cos(angle), std::sin(angle));
    }
    out[k] = sum;
  }
  return out;
}

void Load(FFT& fft, const std::vector<Cplx>& x) {
  for (int i = 0; i < fft.N(); ++i) fft.Work()[i] = {x[i].real(), x[i].imag()};
}

double MaxError(const FFT& fft, const std::vector<Cplx>& expected) {
  double err = 0;
  for (int i = 0; i < fft.N(); ++i) {
    err = std::max(err, std::abs(Cplx(fft.Work()[i].Re, fft.Work()[i].Im) - expected[i]));
  }
  return err;
}

TEST(FFT, BothDirectionsMatchANaiveDftForEveryLength) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-100, 100);
  for (int exponent : {1, 2, 3, 5, 8, 11}) {
    FFT fft(exponent);
    std::vector<Cplx> x(static_cast<std::size_t>(fft.N()));
    for (auto& v : x) v = Cplx(u(rng), u(rng));
    Load(fft, x);
    fft.Transform(1);
    EXPECT_LT(MaxError(fft, NaiveDft(x, -1)), 1e-9 * fft.N()) << "forward, exponent " << exponent;
    Load(fft, x);
    fft.Transform(-1);
    EXPECT_LT(MaxError(fft, NaiveDft(x, +1)), 1e-9 * fft.N()) << "inverse, exponent " << exponent;
  }
}

TEST(FFT, RoundTripMultipliesByNAndDirectionZeroIsInverse) {
  FFT fft(11);
  std::mt19937 rng(3);
  std::normal_distribution<double> g(0, 50);
  std::vector<Cplx> x(2048);
  for (auto& v : x) v = Cplx(g(rng), 0);
  Load(fft, x);
  fft.Transform(1);
  fft.Transform(0);
  for (auto& v : x) v *= 2048.0;
  EXPECT_LT(MaxError(fft, x), 1e-7);
}

TEST(FFT, KnownSpectraOfImpulseConstantToneAndCosine) {
  FFT fft(11);
  const int n = fft.N();
  std::vector<Cplx> x(static_cast<std::size_t>(n), 0.0);
  x[0] = 1.0;
  Load(fft, x);
  fft.Transform(1);
  EXPECT_LT(MaxError(fft, std::vector<Cplx>(static_cast<std::size_t>(n), 1.0)), 1e-12);

  Load(fft, std::vector<Cplx>(static_cast<std::size_t>(n), 2.5));
  fft.Transform(1);
  std::vector<Cplx> expected(static_cast<std::size_t>(n), 0.0);
  expected[0] = 2.5 * n;
  EXPECT_LT(MaxError(fft, expected), 1e-9);

  for (int i = 0; i < n; ++i) x[i] = std::polar(1.0, 2 * M_PI * i / n);
  Load(fft, x);
  fft.Transform(1);
  expected.assign(static_cast<std::size_t>(n), 0.0);
  expected[1] = n;
  EXPECT_LT(MaxError(fft, expected), 1e-9);
  Load(fft, expected);
  fft.Transform(-1);
  for (auto& v : x) v *= static_cast<double>(n);
  EXPECT_LT(MaxError(fft, x), 1e-8);

  const int m = 37;
  for (int i = 0; i < n; ++i) x[i] = std::cos(2 * M_PI * m * i / n);
  Load(fft, x);
  fft.Transform(1);
  expected.assign(static_cast<std::size_t>(n), 0.0);
  expected[m] = expected[n - m] = n / 2.0;
  EXPECT_LT(MaxError(fft, expected), 1e-9);
}

TEST(FFT, ComplexHelpers) {
  TComplexValue c{3, -4};
  EXPECT_DOUBLE_EQ(Modulus(c), 5.0);
  Scale(c, -0.5);
  EXPECT_DOUBLE_EQ(c.Re, -1.5);
  EXPECT_DOUBLE_EQ(c.Im, 2.0);
}

}  // namespace
}  // namespace tevra
