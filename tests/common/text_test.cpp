#include "common/text.h"

#include <gtest/gtest.h>

namespace common {
namespace {

TEST(TrimTest, RemovesEveryControlCharacterAndSpaceFromBothEnds) {
  EXPECT_EQ(Trim(u"\t \r\n\x01 abc \x1f\x20"), u"abc");
  EXPECT_EQ(Trim(u"  "), u"");
  // U+00A0 is no blank: it stays.
  EXPECT_EQ(Trim(u"\u00A0x\u00A0"), u"\u00A0x\u00A0");
}

TEST(UpperCaseTest, SimpleMappingKeepsTheLength) {
  EXPECT_EQ(UpperCase(u"пётр ivanov"), u"ПЁТР IVANOV");
  EXPECT_EQ(UpperCase(u"straße"), u"STRAßE");
  EXPECT_EQ(UpperCase(u"\uFB01"), u"\uFB01");  // the ligature fi has no single upper-case form
  EXPECT_EQ(UpperCase(u"ѐєіїў"), u"ЀЄІЇЎ");
}

// Only the 52 ASCII letters change, under any locale: code-page bytes (here "Аб" in windows-1251),
// UTF-8 and the punctuation beside the letters ("@[`{") stay.
TEST(AsciiCaseTest, OnlyAsciiLettersChange) {
  EXPECT_EQ(AsciiUpperCase(std::string_view("users.dbf @[`{ \xC0\xE1 \xD0\xB0")), "USERS.DBF @[`{ \xC0\xE1 \xD0\xB0");
  EXPECT_EQ(AsciiLowerCase(std::string_view("USERS.Dbf @[`{ \xC0\xE1")), "users.dbf @[`{ \xC0\xE1");
  EXPECT_EQ(AsciiUpperCase(TextView(u"pc-12.txt ё")), u"PC-12.TXT ё");
  EXPECT_EQ(AsciiLowerCase(TextView(u"PC-12.TXT Ё")), u"pc-12.txt Ё");
}

TEST(PathTextTest, InvalidUtf8BytesRoundTrip) {
  std::string name = "pc-\xff\xfe-\xd0\x96.txt";  // two stray bytes, then a real "Ж"
  Text text = PathToText(name);
  EXPECT_EQ(text, u"pc-\xDCFF\xDCFE-Ж.txt");
  EXPECT_EQ(TextToPath(text), name);
}

TEST(Utf8Test, StrictDecodingRejectsOverlongAndSurrogates) {
  Text out;
  EXPECT_TRUE(DecodeUtf8Strict("Ж\xf0\x9f\x98\x80", out));
  EXPECT_EQ(out, u"Ж\U0001F600");
  EXPECT_FALSE(DecodeUtf8Strict("\xc0\xaf", out));
  EXPECT_FALSE(DecodeUtf8Strict("\xed\xa0\x80", out));
  EXPECT_FALSE(DecodeUtf8Strict("\xe2\x82", out));
}

}  // namespace
}  // namespace common
