#include "survey/normalise.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/text_cases.h"

namespace survey {
namespace {

using common::Text;
using testing_support::CaseName;
using testing_support::TextCase;

// One hundred two-letter words separated by single spaces: 299 characters, the last capital at 299.
Text HundredWords() {
  Text text;
  for (int i = 0; i < 100; ++i) text += i ? u" ЖЫ" : u"ЖЫ";
  return text;
}
// hi = (299 - 1) mod 256 = 42: the spaces at 3, 6, ..., 42 (fourteen of them) are copied, so the first
// fifteen words stay apart and the other eighty-five run together.
Text HundredWordsCleaned() {
  Text text;
  for (int i = 0; i < 100; ++i) text += i && i < 15 ? u" ЖЫ" : u"ЖЫ";
  return text;
}

class CleanFIOTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CleanFIOTest, Normalises) { EXPECT_EQ(CleanFIO(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Examples, CleanFIOTest,
    ::testing::Values(
        // The Latin word and the space after it lie before the first Cyrillic capital.
        TextCase{"LatinWordDropped", u"  Ivanov Иван  Иванович ", u"ИВАН ИВАНОВИЧ"},
        TextCase{"SmallLettersRaisedHyphenDropped", u"иванов - петров", u"ИВАНОВ ПЕТРОВ"},
        TextCase{"HyphenBetweenLettersCloses", u"ИВАНОВ-ПЕТРОВ", u"ИВАНОВПЕТРОВ"},
        TextCase{"InitialsWithoutSpace", u"Иванов И.И.", u"ИВАНОВ ИИ"},
        TextCase{"InitialsWithSpace", u"Иванов И. И.", u"ИВАНОВ И И"},
        TextCase{"YoRaised", u"Пётр Петров", u"ПЁТР ПЕТРОВ"}, TextCase{"LatinLetterInsideWord", u"Ивaнов", u"ИВНОВ"},
        TextCase{"UkrainianIDropped", u"Петренко Іван", u"ПЕТРЕНКО ВАН"},
        TextCase{"TabJoinsWords", u"Сидоров\tИван", u"СИДОРОВИВАН"},
        TextCase{"NonBreakingSpaceJoinsWords", u"Сидоров\u00A0Иван", u"СИДОРОВИВАН"},
        TextCase{"NoCyrillicCapital", u"Ivanov Ivan", u""}, TextCase{"Empty", u"", u""},
        TextCase{"BlanksOnly", u" \t\r\n ", u""}, TextCase{"OneCapital", u"Я A", u"Я"},
        // Other capitals of the Cyrillic block are not letters here, whatever their case.
        TextCase{"OtherCyrillicCapitals", u"ЀЄІЇЎ ѐєіїў Ян", u"ЯН"},
        TextCase{"SpaceRunBrokenByDroppedCharacters", u"Иванов  -. 1  Иван", u"ИВАНОВ ИВАН"},
        TextCase{"SpacesAfterLastLetterDropped", u"Иван . ", u"ИВАН"},
        TextCase{"SpaceBeforeFirstLetterDropped", u"1 Иван", u"ИВАН"},
        TextCase{"BlanksInsideTrimmedText", u"\tИван\t", u"ИВАН"},
        // Positions of spaces kept count from 1 and are taken mod 256 in a text over 255.
        TextCase{"OnlySpacesUpToPosition42SurviveIn299Characters", HundredWords(), HundredWordsCleaned()},
        // Capitals at 1 and 400 give lo = 2 and hi = 399 mod 256 = 143; the space at 300
        // lies outside, and a position above 255 is never a member anyway.
        TextCase{"SpaceAtPosition256OrLaterIsNeverCopied", u"Я" + Text(298, u'x') + u" " + Text(99, u'x') + u"Б",
                 u"ЯБ"},
        // First capital at 255 gives lo = 0, last at 256 gives hi = 255: every position
        // up to 255 is a member, the space at 2 before the first capital too.
        TextCase{"FirstCapitalAt255WrapsLowBoundToZero", u"x " + Text(252, u'x') + u"ЯБ", u" ЯБ"},
        // First capital at 256 gives lo = 1, last at 300 gives hi = 43: the space at 2 is
        // a member and is copied though it stands before the first capital.
        TextCase{"WrappedBoundsKeepEarlySpacesBeforeTheFirstCapital",
                 u"x " + Text(253, u'x') + u"Я" + Text(43, u'x') + u"Б", u" ЯБ"},
        // First capital at 200 gives lo = 201, last at 260 gives hi = 3: the set is empty.
        TextCase{"LowBoundAboveHighBoundKeepsNoSpace", Text(199, u'x') + u"Я Б" + Text(57, u'x') + u"В", u"ЯБВ"}),
    CaseName);

class CleanPhoneTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(CleanPhoneTest, CutsToTheFirstNumber) { EXPECT_EQ(CleanPhone(GetParam().input), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Examples, CleanPhoneTest,
                         ::testing::Values(TextCase{"CommaCuts", u"123-45-67, 123-45-68", u"123-45-67"},
                                           TextCase{"BlankBeforeCommaStays", u"123-45-67 , 89", u"123-45-67 "},
                                           TextCase{"NoCommaCutAtFirstSpace", u" 8 (495) 123-45-67 ", u"8"},
                                           TextCase{"OnlyCommaAndSpaceCut", u"12-34;56 78", u"12-34;56"},
                                           TextCase{"CommaFirst", u", 123-45-67", u""},
                                           TextCase{"Whole", u"2-15", u"2-15"}, TextCase{"Empty", u"", u""},
                                           TextCase{"BlanksOnly", u" \t ", u""},
                                           TextCase{"CommaBeatsEarlierSpace", u"1 2,3", u"1 2"},
                                           TextCase{"TabDoesNotCut", u"12\t34 5", u"12\t34"},
                                           TextCase{"SlashDoesNotCut", u"12/34", u"12/34"},
                                           TextCase{"TrimmedFirst", u"\t2-15\r\n", u"2-15"}),
                         CaseName);

}  // namespace
}  // namespace survey
