#include "settings/IniText.h"

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

TEST(IniTextTest, AFileEndingInALoneCarriageReturnGetsItsLineEndCompleted) {
  // Found by fuzzing: the CR became part of the header's text, so the value written was lost.
  std::string file = "\r\n[\r";
  EXPECT_TRUE(SetIniValue(file, "", "S", ""));
  std::string_view value = "x";
  ASSERT_TRUE(FindIniValue(file, "", "S", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(file, "\r\n[\r\nS=\r\n");

  std::string other = "[a]\r\nk=1\r";
  EXPECT_TRUE(SetIniValue(other, "b", "k", "2"));
  ASSERT_TRUE(FindIniValue(other, "a", "k", value));
  EXPECT_EQ(value, "1");
  EXPECT_EQ(other, "[a]\r\nk=1\r\n[b]\r\nk=2\r\n");
}

}  // namespace
}  // namespace tevra
