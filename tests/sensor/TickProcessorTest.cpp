#include "sensor/TickProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace tevra {
namespace {

constexpr double G = TickProcessor::GalPerCount;

std::vector<TAccelSample> Batch(int n, TAccelSample counts) {
  return std::vector<TAccelSample>(n, counts);
}

TEST(TickProcessorTest, AnEmptyFirstBatchIsRefusedInsteadOfDividingByZero) {
  TickProcessor p;
  Tevra calc("");
  p.Offset = {1, 2, 3};
  EXPECT_FALSE(p.Start(nullptr, 0, calc));
  EXPECT_EQ(p.Offset.X, 1);
  EXPECT_FALSE(p.Process(nullptr, -1, &calc));
  EXPECT_FALSE(p.Process(nullptr, TickProcessor::Capacity + 1, &calc));
}

TEST(TickProcessorTest, TheFirstBatchSeedsTheOffsetWithItsMean) {
  TickProcessor p;
  Tevra calc("");
  std::vector<TAccelSample> b = {{2040, 2048, 3048}, {2056, 2048, 3048}};
  ASSERT_TRUE(p.Start(b.data(), 2, calc));
  // The first sample deviates -8 counts from the mean, and the offset then follows it by 0.001.
  EXPECT_NEAR(p.TickSamples[0].X, -8 * G, 1e-9);
  EXPECT_NEAR(p.TickSamples[1].X, 8 * G + 0.001 * 8 * G, 1e-9);
  EXPECT_NEAR(p.TickSamples[0].Z, 0.0, 1e-9);
  EXPECT_EQ(p.CurrentIntensity, 0.0);
  // A single sample primes too (4096 copies), and the next tick starts from its level.
  TickProcessor one;
  Tevra calc1("");
  std::vector<TAccelSample> rest = {{2048, 2048, 3048}};
  ASSERT_TRUE(one.Start(rest.data(), 1, calc1));
  EXPECT_NEAR(one.Offset.Z, 3048 * G, 1e-9);
  EXPECT_EQ(one.TickMaxComposite, 0.0);
}

TEST(TickProcessorTest, ATickGivesGalDeviationsCompositesAndTheirMaximum) {
  TickProcessor p;
  Tevra calc("");
  auto rest = Batch(30, {2048, 2048, 3048});
  ASSERT_TRUE(p.Start(rest.data(), 30, calc));
  std::vector<TAccelSample> tick = {{2048 + 3, 2048 - 4, 3048}, {2048, 2048, 3048 + 10}, {2048, 2048, 3048}};
  ASSERT_TRUE(p.Process(tick.data(), 3, nullptr));
  EXPECT_EQ(p.SampleCount, 3);
  EXPECT_NEAR(p.TickComposite[0], 5 * G, 1e-9);
  EXPECT_NEAR(p.TickSamples[1].Z, 10 * G, 1e-9);
  EXPECT_NEAR(p.TickMaxComposite, 10 * G, 1e-5);  // the offset moved a little after sample 0
  ASSERT_TRUE(p.Process(nullptr, 0, nullptr));
  EXPECT_EQ(p.TickMaxComposite, 0.0);
  EXPECT_EQ(p.SampleCount, 0);
}

TEST(TickProcessorTest, AStepOfTheRestLevelDecaysByPoint999PerSample) {
  TickProcessor p;
  Tevra calc("");
  auto rest = Batch(10, {2048, 2048, 3048});
  ASSERT_TRUE(p.Start(rest.data(), 10, calc));
  auto tilted = Batch(1000, {2048 + 100, 2048, 3048});
  std::vector<double> x;
  for (int t = 0; t < 5; ++t) {
    ASSERT_TRUE(p.Process(tilted.data(), 1000, nullptr));
    for (int i = 0; i < 1000; ++i) x.push_back(p.TickSamples[i].X);
  }
  EXPECT_NEAR(x[0], 100 * G, 1e-9);
  EXPECT_NEAR(x[1000], 100 * G * std::pow(0.999, 1000), 1e-6);
  EXPECT_LT(x[4999], 0.7);  // a constant tilt vanishes after a few thousand samples
}

TEST(TickProcessorTest, TheLongPeriodResponseTakesTheFirstBatchMeanAsRestAndTheSamplesUnremoved) {
  TickProcessor p;
  Tevra calc("");
  std::vector<TAccelSample> first = {{2040, 2050, 3048}, {2056, 2046, 3048}};
  ASSERT_TRUE(p.Start(first.data(), 2, calc));
  TLongPeriodResponse reference;
  reference.Start(2048 * G, 2048 * G);
  double expected = reference.Add(2040 * G, 2050 * G).Sva;
  expected = std::max(expected, reference.Add(2056 * G, 2046 * G).Sva);
  // A 5-s swell of 2 counts on Y under a bias of 2048 counts: only the swell counts.
  std::vector<TAccelSample> tick(10);
  for (int t = 0; t < 600; ++t) {
    for (int i = 0; i < 10; ++i) {
      tick[i] = {2048, 2048 + 2 * std::sin(2 * M_PI * (t * 10 + i) / 500.0), 3048};
      expected = std::max(expected, reference.Add(tick[i].X * G, tick[i].Y * G).Sva);
    }
    ASSERT_TRUE(p.Process(tick.data(), 10, nullptr));
  }
  EXPECT_NEAR(p.LongPeriod.LastMinute().Sva, expected, 1e-9 * expected);
  EXPECT_GT(expected, 5.0);
  EXPECT_LT(expected, 30.0);
}

TEST(TickProcessorTest, TheCalculatorGivesANewIntensityEveryFiftySamples) {
  TickProcessor p;
  Tevra calc("");
  auto rest = Batch(30, {2048, 2048, 3048});
  ASSERT_TRUE(p.Start(rest.data(), 30, calc));
  auto tick = Batch(10, {2048, 2048, 3048});
  int updates = 0;
  for (int t = 0; t < 50; ++t) {
    ASSERT_TRUE(p.Process(tick.data(), 10, &calc));
    if (p.IntensityUpdated) ++updates;
  }
  EXPECT_EQ(updates, 10);
}

}  // namespace
}  // namespace tevra
