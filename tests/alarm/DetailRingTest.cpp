#include "alarm/DetailRing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tevra {
namespace {

// Pushes `count` samples whose X counts up from `first`.
void PushNumbered(TDetailRing& ring, int first, int count, const TLocalDateTime& now = {}) {
  std::vector<TAccelSample> samples(count);
  std::vector<double> composite(count);
  for (int i = 0; i < count; ++i) {
    samples[i] = {double(first + i), 0.0, 0.0};
    composite[i] = first + i;
  }
  PushTickRecords(ring, now, samples.data(), composite.data(), count, 2.5);
}

TEST(DetailRing, TickRecordsShareTheTimeTextAndComeBackInArrivalOrder) {
  TDetailRing ring;
  TDetailRecord r;
  EXPECT_FALSE(PopDetailRecord(ring, r));
  const TAccelSample samples[2] = {{1.234, -0.5, 0.0}, {3.0, 4.0, 0.0}};
  const double composite[2] = {1.25, 5.0};
  PushTickRecords(ring, {2007, 10, 30, 12, 34, 56}, samples, composite, 2, 2.5);
  PushTickRecords(ring, {2007, 10, 30, 9, 5, 7}, samples, composite, 0, 9.9);  // a tick without data
  ASSERT_EQ(ring.Count(), 2);
  ASSERT_TRUE(PopDetailRecord(ring, r));
  EXPECT_STREQ(r.TimeText, " 12:34:56");
  EXPECT_EQ(r.X, 1.234);
  EXPECT_EQ(r.Y, -0.5);
  EXPECT_EQ(r.Intensity, 2.5);
  EXPECT_EQ(r.Composite, 1.25);
  ASSERT_TRUE(PopDetailRecord(ring, r));
  EXPECT_STREQ(r.TimeText, " 12:34:56");
  EXPECT_EQ(r.Composite, 5.0);
  EXPECT_FALSE(PopDetailRecord(ring, r));
}

TEST(DetailRing, HoldsAtMost6000AndOverflowDropsTheOldest) {
  TDetailRing ring;
  PushNumbered(ring, 0, 6000);
  EXPECT_EQ(ring.Count(), 6000);
  EXPECT_EQ(ring.ReadIndex(), 0);
  EXPECT_EQ(ring.WriteIndex(), 6000);
  PushNumbered(ring, 6000, 25);
  EXPECT_EQ(ring.Count(), 6000);
  EXPECT_EQ(ring.Oldest(0).X, 25.0);
  EXPECT_EQ(ring.Oldest(5999).X, 6024.0);
  EXPECT_EQ(ring.WriteIndex(), 24);  // wrapped from 6001 to 0
  EXPECT_EQ(ring.ReadIndex(), 25);

  // Popping across the wrap keeps the order; then the ring is empty.
  TDetailRecord r;
  for (int expected = 25; expected < 6025; ++expected) {
    ASSERT_TRUE(ring.Pop(r));
    ASSERT_EQ(r.X, double(expected));
  }
  EXPECT_FALSE(ring.Pop(r));

  // Dropping is bounded by what is held; clearing resets both indices.
  PushNumbered(ring, 0, 30);
  ring.DropOldest(7);
  EXPECT_EQ(ring.Oldest(0).X, 7.0);
  ring.DropOldest(1000);
  EXPECT_EQ(ring.Count(), 0);
  PushNumbered(ring, 0, 3);
  ClearDetailRing(ring);
  EXPECT_EQ(ring.Count(), 0);
  EXPECT_EQ(ring.WriteIndex(), 0);
}

}  // namespace
}  // namespace tevra
