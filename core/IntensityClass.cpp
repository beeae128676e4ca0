#include "core/Tevra.h"

namespace tevra {

const char* IntensityClassName(double intensity) {
  for (const TIntensityClassRow& row : kIntensityClasses) {
    if (intensity <= row.UpperBound) return row.Name;
  }
  return "７";
}

}  // namespace tevra
