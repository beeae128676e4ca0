#include "sensor/LineSettings.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(LineSettingsTest, AcceptsTheFourParametersAndKeepsWhatIsNotNamed) {
  TLineSettings s;
  ASSERT_TRUE(BuildLineSettings("baud=9600 parity=N data=8 stop=1", s));
  EXPECT_EQ(s.Baud, 9600u);
  EXPECT_EQ(s.Parity, 'N');
  EXPECT_EQ(s.DataBits, 8);
  EXPECT_EQ(s.StopTenths, 10);
  ASSERT_TRUE(BuildLineSettings("  BAUD=14400   parity=e ", s));
  EXPECT_EQ(s.Baud, 14400u);
  EXPECT_EQ(s.Parity, 'E');
  EXPECT_EQ(s.DataBits, 8);  // kept
  ASSERT_TRUE(BuildLineSettings("stop=1.5 data=5 parity=m", s));
  EXPECT_EQ(s.StopTenths, 15);
  EXPECT_EQ(s.Parity, 'M');
  ASSERT_TRUE(BuildLineSettings("", s));
}

TEST(LineSettingsTest, RejectsWhatNoLineCanDoAndLeavesTheSettingsAlone) {
  for (const char* text : {"baud=9600 parity=data=8 stop=1", "parity=X", "parity=NONE", "parity=", "baud=0",
                           "baud=", "baud=96OO", "baud=-1", "baud=99999999999", "data=4", "data=9", "stop=0",
                           "stop=3", "stop=1.0", "speed=9600", "baud", "baud=9600,parity=N"}) {
    TLineSettings s;
    s.Baud = 1200;
    EXPECT_FALSE(BuildLineSettings(text, s)) << text;
    EXPECT_EQ(s.Baud, 1200u) << text;
  }
}

}  // namespace
}  // namespace tevra
