#include "core/AccelSample.h"

namespace tevra {

double RoundTo(double x, int n) {
  const double p = std::pow(10.0, n);
  const double d = x * p;
  const double r = d >= 0 ? std::floor(d + 0.5) : std::ceil(d - 0.5);
  return r / p;
}

}  // namespace tevra
