#include "core/Tevra.h"

#include <limits>

namespace tevra {
namespace {

constexpr TIntensityClassRow kClasses[kIntensityClassCount] = {
    {0.4, "０"},   {1.4, "１"},
    {2.4, "２"},   {3.4, "３"},
    {4.4, "４"},   {4.9, "５弱"},
    {5.4, "５強"}, {5.9, "６弱"},
    {6.4, "６強"}, {std::numeric_limits<double>::infinity(), "７"},
};

}  // namespace

const TIntensityClassRow* IntensityClassTable() {
  return kClasses;
}

const char* IntensityClassName(double intensity) {
  for (const TIntensityClassRow& row : kClasses) {
    if (intensity <= row.UpperBound) return row.Name;
  }
  return "７";
}

}  // namespace tevra
