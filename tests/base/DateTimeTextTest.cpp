#include "base/DateTimeText.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(DateTimeText, TextsAreZeroPaddedAndMidnightShowsTheDateAlone) {
  const TLocalDateTime t{2007, 10, 30, 12, 34, 56};
  EXPECT_EQ(DateTimeText(t), "2007/10/30 12:34:56");
  EXPECT_EQ(DateText(t), "2007/10/30");
  EXPECT_EQ(TimeText(t), "12:34:56");
  EXPECT_EQ(StampText(t), "20071030123456");
  EXPECT_EQ(DetailTimeText({2024, 1, 5, 9, 3, 5}), " 09:03:05");
  EXPECT_EQ(DateTimeText({2024, 1, 5, 0, 0, 0}), "2024/01/05");
  EXPECT_EQ(DateTimeText({2024, 1, 5, 0, 0, 1}), "2024/01/05 00:00:01");
  EXPECT_EQ(TimeText({2024, 1, 5, 0, 0, 0}), "00:00:00");
}

TEST(DateTimeText, UtcConversionRoundTripsPast2038) {
  const TLocalDateTime t{2040, 2, 29, 23, 59, 59};
  const std::int64_t s = UtcSecondsOf(t);
  EXPECT_GT(s, std::int64_t{1} << 31);
  EXPECT_EQ(UtcDateTimeOf(s), t);
  EXPECT_EQ(LocalSecondsOf(LocalDateTimeOf(s)), s);
}

}  // namespace
}  // namespace tevra
