#include "base/TextFormat.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(TextFormat, FormatsShortAndLongTexts) {
  EXPECT_EQ(Printf("%s 計測震度%2.1f", "ID", 4.46), "ID 計測震度4.5");
  EXPECT_EQ(Printf("%1.1f|%.1f|%.2f|%d", 0.05, 123.45, 5.155, -3), "0.1|123.5|5.16|-3");
  const std::string longText(1000, 'x');
  EXPECT_EQ(Printf("<%s>", longText.c_str()), "<" + longText + ">");
}

}  // namespace
}  // namespace tevra
