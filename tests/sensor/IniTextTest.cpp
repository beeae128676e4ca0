#include "sensor/IniText.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(IniTextTest, NamesThatCannotBeWrittenAsLinesAreRefused) {
  std::string file = ";\xa4\x0e\xc8";
  // A section ending in the first byte of a two-byte character would swallow its closing ']'.
  EXPECT_FALSE(SetIniValue(file, "\xf5", "\x16", "v"));
  EXPECT_EQ(file, ";\xa4\x0e\xc8");
  EXPECT_TRUE(SetIniValue(file, "\xf5\x40", "k", "v"));
  std::string_view value;
  ASSERT_TRUE(FindIniValue(file, "\xf5\x40", "K", value));
  EXPECT_EQ(value, "v");
  EXPECT_EQ(file, ";\xa4\x0e\xc8\n[\xf5\x40]\nk=v\n");
}

}  // namespace
}  // namespace tevra
