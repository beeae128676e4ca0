#include <gtest/gtest.h>

#include <vector>

#include "core/FFT.h"

namespace tevra {
namespace {

TEST(GainTable, ReferenceValuesSymmetryAndPeak) {
  std::vector<double> gain(2048, -1.0);
  BuildGainTable(2048, 0.01, gain.data());
  const struct {
    int k;
    double value;
  } reference[] = {{1, 0.138074},  {10, 1.11309},   {11, 1.14899},   {13, 1.16960},      {20, 1.00829},
                   {41, 0.697001}, {205, 0.223242}, {410, 0.056299}, {1023, 0.000602559}};
  for (const auto& r : reference) EXPECT_NEAR(gain[r.k], r.value, r.value * 5e-6) << "bin " << r.k;

  EXPECT_EQ(gain[0], 0.0);
  EXPECT_EQ(gain[1024], 0.0);
  int largest = 0;
  for (int k = 1; k < 2048; ++k) {
    EXPECT_EQ(gain[2048 - k], gain[k]) << k;
    if (gain[k] > gain[largest]) largest = k;
  }
  EXPECT_EQ(largest, 13);
}

}  // namespace
}  // namespace tevra
