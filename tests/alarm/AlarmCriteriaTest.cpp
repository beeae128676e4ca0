#include "alarm/AlarmCriteria.h"

#include <gtest/gtest.h>

#include "support/RecordingPlatform.h"
#include "core/Tevra.h"

namespace tevra {
namespace {

TEST(AlarmCriteria, ClassTableBoundsAndTheDialogsItemMapping) {
  const struct {
    double value;
    const char* name;
  } rows[] = {{-1.0, "０"},  {0.4, "０"},   {0.5, "１"},   {1.4, "１"},   {1.41, "２"},  {4.4, "４"},
              {4.5, "５弱"}, {4.9, "５弱"}, {5.0, "５強"}, {5.9, "６弱"}, {6.4, "６強"}, {6.5, "７"}};
  for (const auto& row : rows) EXPECT_STREQ(IntensityClassName(row.value), row.name) << row.value;

  // Every item's threshold selects that item again and names that class.
  const char* items[] = {"１", "２", "３", "４", "５弱", "５強", "６弱", "６強", "７"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(ClassItemOf(ClassItemThreshold(i)), i);
    EXPECT_STREQ(IntensityClassName(ClassItemThreshold(i)), items[i]);
  }
  EXPECT_DOUBLE_EQ(ClassItemThreshold(5), 5.0);
  EXPECT_EQ(ClassItemOf(0.0), 0);
  EXPECT_EQ(ClassItemOf(7.0), 8);
  EXPECT_DOUBLE_EQ(ClassItemThreshold(-3), 0.5);
  EXPECT_DOUBLE_EQ(ClassItemThreshold(42), 6.5);
}

TEST(AlarmCriteria, LabelTextsOfEveryKind) {
  TPanelSettings s;
  s.AlarmIntensity = 5.0;
  s.AlarmAcceleration = 35;
  s.AlarmKind = akIntensityClass;
  EXPECT_EQ(AlarmLabelTexts(s).Label1, "警報震度 ５強 (震度階級)");
  EXPECT_EQ(AlarmLabelTexts(s).Label2, "計測震度");
  s.AlarmKind = akInstrumentalIntensity;
  s.AlarmIntensity = 4.46;
  EXPECT_EQ(AlarmLabelTexts(s).Label1, "警報震度 4.5 (計測震度)");
  EXPECT_EQ(AlarmLabelTexts(s).Label2, "計測震度");
  for (int kind : {2, 3, -1}) {
    s.AlarmKind = kind;
    EXPECT_EQ(AlarmLabelTexts(s).Label1, "警報加速度　35 (gal)");
    EXPECT_EQ(AlarmLabelTexts(s).Label2, "計測加速度(gal)");
  }
}

TEST(AlarmCriteria, ExceedanceCountsEqualityAndUnknownKindsCompareTheIntensity) {
  TPanelSettings s;
  s.AlarmKind = akInstrumentalIntensity;
  s.AlarmIntensity = 4.5;
  EXPECT_FALSE(IsExceedance(s, 4.46, 1000.0));  // shown as 4.5, but below
  EXPECT_TRUE(IsExceedance(s, 4.50, 0.0));
  s.AlarmKind = 7;
  EXPECT_TRUE(IsExceedance(s, 4.50, 0.0));
  EXPECT_FALSE(IsExceedance(s, 4.49, 1000.0));

  s.AlarmKind = akCompositeAcceleration;
  s.AlarmAcceleration = 20;
  EXPECT_TRUE(IsExceedance(s, 0.0, 20.0));
  EXPECT_FALSE(IsExceedance(s, 7.0, 19.999));
  s.AlarmAcceleration = 0;
  EXPECT_TRUE(IsExceedance(s, 0.0, 0.0));  // even a tick without samples
}

TEST(AlarmCriteria, AlarmEndsOnlyMoreThanSixtyWholeSecondsAfterTheLastExceedance) {
  EXPECT_FALSE(AlarmEndDue(1060, 1000));
  EXPECT_TRUE(AlarmEndDue(1061, 1000));
  // Past the 32-bit range of `time`.
  const std::int64_t t = std::int64_t{1} << 33;
  EXPECT_FALSE(AlarmEndDue(t + 60, t));
  EXPECT_TRUE(AlarmEndDue(t + 61, t));

  // The hold follows the monotonic clock, not the wall clock.
  TRecordingPlatform platform;
  platform.MonotonicMillis = 5000;
  const std::int64_t last = AlarmClockSeconds(platform);
  EXPECT_EQ(last, 5);
  platform.WallSeconds -= 3600;  // a wall-clock step back changes nothing
  platform.MonotonicMillis += 60'999;
  EXPECT_FALSE(AlarmEndDue(AlarmClockSeconds(platform), last));
  platform.MonotonicMillis += 1;
  EXPECT_TRUE(AlarmEndDue(AlarmClockSeconds(platform), last));
  platform.MonotonicMillis = -1;
  EXPECT_EQ(AlarmClockSeconds(platform), -1);
}

}  // namespace
}  // namespace tevra
