#pragma once
// One three-component sample; also used for per-bin spectral levels, one value per axis.
#include <cmath>

namespace tevra {

struct TAccelSample {
  double X = 0.0;
  double Y = 0.0;
  double Z = 0.0;
};

// Vector sum of the three components.
inline double Magnitude(const TAccelSample& s) {
  return std::sqrt(s.X * s.X + s.Y * s.Y + s.Z * s.Z);
}

// Rounds x to n decimals, halves away from zero.
double RoundTo(double x, int n);

}  // namespace tevra
