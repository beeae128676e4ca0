#pragma once
// In-place radix-2 decimation-in-frequency transform with tables computed once.
#include <cmath>
#include <vector>

namespace tevra {

struct TComplexValue {
  double Re = 0.0;
  double Im = 0.0;
};

inline void Scale(TComplexValue& c, double factor) {
  c.Re *= factor;
  c.Im *= factor;
}
inline double Modulus(const TComplexValue& c) {
  return std::sqrt(c.Re * c.Re + c.Im * c.Im);
}

class FFT {
 public:
  explicit FFT(int exponent);

  // direction > 0: forward, exp(-2πi nk/N); otherwise inverse, exp(+2πi nk/N). Neither divides by N.
  void Transform(int direction);

  int Exponent() const { return exponent_; }
  int N() const { return n_; }
  // The owner loads the work buffer, transforms it in place and reads it back.
  TComplexValue* Work() { return work_.data(); }
  const TComplexValue* Work() const { return work_.data(); }

 private:
  int exponent_;
  int n_;
  std::vector<double> sine_;
  std::vector<double> cosine_;
  std::vector<double> stageCos_;
  std::vector<double> stageSin_;
  std::vector<double> stageNegSin_;
  std::vector<TComplexValue> work_;
  // Index pairs (i, j), i > j, exchanged by the bit reversal; computed once.
  std::vector<int> swaps_;
};

// Intensity filter gain per frequency bin of an n-point transform of samples dt seconds apart:
// period effect, 10 Hz high cut and 0.5 Hz low cut, mirrored so the filtered signal stays real.
void BuildGainTable(int n, double dt, double* gain);

}  // namespace tevra
