#include "base/Cp932.h"

#include <gtest/gtest.h>

namespace tevra {
namespace {

TEST(Cp932, JapaneseTextRoundTripsAndFullWidthBlankIsTwoBytes) {
  const std::string text = " 2007/10/30 12:34:56　地震検出　4.5";
  const std::string bytes = Utf8ToCp932(text);
  EXPECT_EQ(bytes.substr(20, 2), "\x81\x40");  // the full-width blank
  EXPECT_EQ(Cp932ToUtf8(bytes), text);
  EXPECT_EQ(Utf8ToCp932("計測震度"), "\x8C\x76\x91\xAA\x90\x6B\x93\x78");
  EXPECT_EQ(Utf8ToCp932("ABC,123"), "ABC,123");
}

TEST(Cp932, UnrepresentableCharactersAndBrokenUtf8BecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp932("a\xF0\x9F\x98\x80"
                        "b"),
            "a?b");                               // an emoji
  EXPECT_EQ(Utf8ToCp932("a\xC3(b"), "a?(b");      // a cut two-byte sequence
  EXPECT_EQ(Utf8ToCp932("震\xE5"), "\x90\x6B?");  // truncated at the end
}

TEST(Cp932, InvalidBytesDecodeAsReplacementCharacter) {
  EXPECT_EQ(Cp932ToUtf8("a\x81"), "a\xEF\xBF\xBD");  // lead byte without trail
  EXPECT_EQ(Cp932ToUtf8("\xA0x"), "\xEF\xBF\xBDx");  // byte outside CP932
  EXPECT_EQ(Cp932ToUtf8("\xB1"), "\xEF\xBD\xB1");    // half-width katakana is valid
}

TEST(Cp932, CutsNeverSplitATwoByteCharacter) {
  const std::string bytes = Utf8ToCp932("ab震度");  // 6 bytes
  EXPECT_EQ(CutCp932(bytes, 6), bytes);
  EXPECT_EQ(CutCp932(bytes, 5), bytes.substr(0, 4));
  EXPECT_EQ(CutCp932(bytes, 3), "ab");
  EXPECT_EQ(CutCp932(bytes, 0), "");
  EXPECT_EQ(CutUtf8ToCp932Bytes("ab震度", 5), "ab震");
  EXPECT_EQ(CutUtf8ToCp932Bytes("ab震度", 100), "ab震度");
  EXPECT_EQ(CutUtf8ToCp932Bytes(std::string(40, 'x'), 34), std::string(34, 'x'));
}

}  // namespace
}  // namespace tevra
