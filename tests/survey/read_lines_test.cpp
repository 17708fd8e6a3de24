#include "survey/read_lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "tests/support/text_cases.h"
#include "tests/survey/survey_testing.h"

namespace survey {
namespace {

using common::Text;
using ::testing::ElementsAre;

std::vector<Text> Lines(const LineList& list) { return list.lines(); }

// ---- The same survey text in every encoding a workstation writes gives the same lines.

const std::vector<Text> kSurveyLines = {u"pc-12",     u"ivanov",   u"",  u"Иванов Пётр",
                                        u"123-45-67", u"Корпус Б", u"2", u"214"};

std::string Utf16Bytes(std::u16string_view text, bool big_endian) {
  std::string bytes;
  for (char16_t c : text) {
    char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
    bytes += big_endian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

constexpr char16_t kSurveyText[] = u"pc-12\r\nivanov\r\n\r\nИванов Пётр\r\n123-45-67\r\nКорпус Б\r\n2\r\n214\r\n";

// The same text in code page 1251, byte by byte.
const std::string kSurveyCp1251 =
    "pc-12\r\nivanov\r\n\r\n"
    "\xC8\xE2\xE0\xED\xEE\xE2 \xCF\xB8\xF2\xF0\r\n"  // Иванов Пётр
    "123-45-67\r\n"
    "\xCA\xEE\xF0\xEF\xF3\xF1 \xC1\r\n"  // Корпус Б
    "2\r\n214\r\n";

struct EncodingCase {
  const char* name;
  std::string bytes;
};

class SameTextInEveryEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(SameTextInEveryEncodingTest, GivesTheSameLines) {
  testing_support::TempFolder folder;
  Text path = folder.Write("PC-12.txt", GetParam().bytes);
  EXPECT_EQ(Lines(testing::ReadLines(path)), kSurveyLines);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SameTextInEveryEncodingTest,
                         ::testing::Values(EncodingCase{"Utf8WithMark", "\xEF\xBB\xBF" + testing::Utf8(kSurveyText)},
                                           EncodingCase{"Utf16LeWithMark", "\xFF\xFE" + Utf16Bytes(kSurveyText, false)},
                                           EncodingCase{"Utf16BeWithMark", "\xFE\xFF" + Utf16Bytes(kSurveyText, true)},
                                           EncodingCase{"Cp1251WithoutMark", kSurveyCp1251}),
                         testing_support::CaseName);

// ---- Decoding rules beyond the common case.

struct DecodeCase {
  const char* name;
  std::string bytes;
  std::vector<Text> lines;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, GivesLines) {
  EXPECT_EQ(Lines(SplitLines(DecodeWorkstationText(GetParam().bytes, "windows-1251"))), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, DecodeTest,
    ::testing::Values(DecodeCase{"EmptyFile", "", {}}, DecodeCase{"Utf8MarkOnly", "\xEF\xBB\xBF", {}},
                      DecodeCase{"Utf16LeMarkOnly", "\xFF\xFE", {}}, DecodeCase{"Utf16BeMarkOnly", "\xFE\xFF", {}},
                      // The last odd byte of UTF-16 is ignored.
                      DecodeCase{"Utf16LeOddByte",
                                 std::string("\xFF\xFE"
                                             "A\0B\0C",
                                             7),
                                 {u"AB"}},
                      DecodeCase{"Utf16BeOddByte",
                                 std::string("\xFE\xFF"
                                             "\0A\0B\0",
                                             7),
                                 {u"AB"}},
                      // Text after a UTF-8 mark that is not valid UTF-8 throughout gives nothing at all.
                      DecodeCase{"Utf8MarkThenInvalidByte",
                                 "\xEF\xBB\xBF"
                                 "PC-12\r\n\xFF\r\n",
                                 {}},
                      DecodeCase{"Utf8MarkThenTruncatedSequence",
                                 "\xEF\xBB\xBF"
                                 "PC-12\r\n\xD0",
                                 {}},
                      DecodeCase{"Utf8MarkThenOverlongForm",
                                 "\xEF\xBB\xBF"
                                 "\xC0\xAF",
                                 {}},
                      // UTF-8 without a mark is read in the code page: Пётр comes out as wrong letters.
                      DecodeCase{"Utf8WithoutMarkReadAsCodepage", "\xD0\x9F\xD1\x91", {u"РџС‘"}},
                      // Every byte converts in the code page; 0x98 is undefined in 1251 and stays a C1 control.
                      DecodeCase{"Cp1251UndefinedByte",
                                 "a\x98"
                                 "b",
                                 {u"a\u0098b"}},
                      DecodeCase{"Cp1251YoAndCapitals", "\xA8\xB8\xC0\xDF", {u"ЁёАЯ"}},
                      // A mark that is not at the very start is ordinary text.
                      DecodeCase{"MarkNotAtStart", "A\xFF\xFE", {u"Aяю"}},
                      // UTF-16 surrogate pairs pass through unchanged.
                      DecodeCase{"Utf16LeSurrogatePair", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), {u"\U0001F600"}}),
    testing_support::CaseName);

// ---- Line breaks.

struct BreakCase {
  const char* name;
  Text text;
  std::vector<Text> lines;
};

class LineBreakTest : public ::testing::TestWithParam<BreakCase> {};

TEST_P(LineBreakTest, CutsText) { EXPECT_EQ(Lines(SplitLines(GetParam().text)), GetParam().lines); }

INSTANTIATE_TEST_SUITE_P(
    Breaks, LineBreakTest,
    ::testing::Values(BreakCase{"CrLf", u"A\r\nB", {u"A", u"B"}}, BreakCase{"Lf", u"A\nB", {u"A", u"B"}},
                      BreakCase{"Cr", u"A\rB", {u"A", u"B"}},
                      BreakCase{"LfCrIsTwoBreaks", u"A\n\rB", {u"A", u"", u"B"}},
                      BreakCase{"FinalBreakAddsNoLine", u"A\r\n", {u"A"}},
                      BreakCase{"EmptyLineBeforeFinalBreak", u"A\r\n\r\n", {u"A", u""}},
                      BreakCase{"CrCrLf", u"A\r\r\nB", {u"A", u"", u"B"}}, BreakCase{"OnlyABreak", u"\n", {u""}},
                      BreakCase{"LeadingBreak", u"\nA", {u"", u"A"}},
                      BreakCase{"BlanksKept", u"  A \t\r\n B ", {u"  A \t", u" B "}},
                      BreakCase{"NulEndsText", Text(u"A\r\nB\0C\r\nD", 9), {u"A", u"B"}},
                      BreakCase{"NulAtStart", Text(u"\0A\r\nB", 5), {}},
                      BreakCase{"NulRightAfterBreak", Text(u"A\r\n\0B", 5), {u"A"}},
                      BreakCase{"OtherSeparatorsAreText", u"A\u2028B\u0085C\fD", {u"A\u2028B\u0085C\fD"}},
                      BreakCase{"Empty", u"", {}}),
    testing_support::CaseName);

TEST(ReadLinesTest, NulInAFileEndsItsText) {
  testing_support::TempFolder folder;
  static constexpr char kBytes[] = "PC-1\r\nuser\0garbage\r\nmore";
  // Not "nul.txt": on Windows that names the null device.
  Text path = folder.Write("with-nul.txt", std::string(kBytes, sizeof kBytes - 1));
  EXPECT_THAT(Lines(testing::ReadLines(path)), ElementsAre(u"PC-1", u"user"));
}

#ifndef _WIN32  // names as bytes are POSIX; Windows names are UTF-16
TEST(ReadLinesTest, FileNameWithInvalidUtf8BytesOpens) {
  testing_support::TempFolder folder;
  folder.Write("PC-\xFF\xFE.txt", "line");
  Text path = folder.PathOf("PC-\xFF\xFE.txt");
  EXPECT_THAT(Lines(testing::ReadLines(path)), ElementsAre(u"line"));
}
#endif

TEST(LineListTest, AskingForAMissingLineNamesItsIndex) {
  LineList list(std::vector<Text>{u"a", u"b"});
  EXPECT_EQ(list.At(1), u"b");
  EXPECT_THAT([&] { list.At(2); }, testing::Fails(u"List index out of bounds (2)"));
  EXPECT_THAT([&] { LineList().At(0); }, testing::Fails(u"List index out of bounds (0)"));
}

}  // namespace
}  // namespace survey
