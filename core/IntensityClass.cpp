#include "core/Tevra.h"

namespace tevra {

const char* IntensityClassName(double intensity) {
  struct Row {
    double upperBound;
    const char* name;
  };
  static constexpr Row kClasses[] = {
      {0.4, "０"},   {1.4, "１"},   {2.4, "２"},   {3.4, "３"},   {4.4, "４"},
      {4.9, "５弱"}, {5.4, "５強"}, {5.9, "６弱"}, {6.4, "６強"},
  };
  for (const Row& row : kClasses) {
    if (intensity <= row.upperBound) return row.name;
  }
  return "７";
}

}  // namespace tevra
