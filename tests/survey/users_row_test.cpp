#include "survey/users_row.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/error.h"
#include "survey/info_import.h"
#include "survey/info_lines.h"
#include "tests/support/text_cases.h"
#include "tests/survey/survey_testing.h"

namespace survey {
namespace {

using common::Text;
using store::ParamKind;
using testing_support::TextCase;

using Binding = std::tuple<std::string, ParamKind, int, Text>;

std::vector<Binding> Bindings(const UsersRow& row) {
  std::vector<Binding> out;
  for (const UsersValue& value : row) out.emplace_back(value.name, value.kind, value.size, value.value);
  return out;
}

constexpr ParamKind kText = ParamKind::kText;
constexpr ParamKind kInt = ParamKind::kInteger;

LineList Survey(std::vector<Text> lines) { return LineList(std::move(lines)); }

LineList FullInfo() { return LineList(testing::FullInfoLines()); }

auto ListIndex(long long index) {
  return testing::Fails(common::FromUtf8("List index out of bounds (" + std::to_string(index) + ")"));
}

// The bindings of FullInfo()'s machine facts, which follow the nine person and place values.
std::vector<Binding> WithFullInfoFacts(std::vector<Binding> bindings) {
  bindings.insert(bindings.end(), {{"SPEED", kInt, 0, u"2400"},
                                   {"TYPE", kText, 70, u"x86 Family 6"},
                                   {"RAM", kInt, 0, u"1024"},
                                   {"CPU", kText, 70, u"Intel(R) Core(TM)2"},
                                   {"HDD", kInt, 70, u"80000"},
                                   {"OS", kText, 70, u"Windows XP"},
                                   {"OSVER", kText, 70, u"5.1"},
                                   {"W9XVER", kText, 70, u""},
                                   {"OSBUILD", kText, 70, u"2600"},
                                   {"OSID", kText, 70, u"Service Pack 3"},
                                   {"BIOS", kText, 70, u"AMI 08.00.15"}});
  return bindings;
}

TEST(SurveyRowTest, BindsTheTwentyValuesInOrderWithKindsAndSizes) {
  LineList survey = Survey(
      {u" pc-12 ", u"petrov", u"10.0.0.9", u"Петров  Пётр", u"123-45-67, 89", u"Б", u"2", u"214", u"ignored line 8"});
  EXPECT_EQ(Bindings(SurveyRow(survey, FullInfo())), WithFullInfoFacts({{"HOST", kText, 70, u" PC-12 "},
                                                                        {"USER", kText, 70, u"petrov"},
                                                                        {"IP", kText, 70, u"10.0.0.9"},
                                                                        {"PRINTER", kText, 192, u"HP LaserJet 1018"},
                                                                        {"FIO", kText, 70, u"ПЕТРОВ ПЁТР"},
                                                                        {"TEL", kText, 70, u"123-45-67"},
                                                                        {"ZDAN", kText, 70, u"Б"},
                                                                        {"ETAJ", kText, 70, u"2"},
                                                                        {"KAB", kText, 70, u"214"}}));
}

struct FallbackCase {
  const char* name;
  Text survey_user;
  Text survey_ip;
  Text user;
  Text ip;
};

class SurveyFallbackTest : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(SurveyFallbackTest, UserFallsBackWhenBlankAddressOnlyWhenEmpty) {
  LineList survey = Survey({u"PC-1", GetParam().survey_user, GetParam().survey_ip, u"", u"", u"", u"", u""});
  UsersRow row = SurveyRow(survey, FullInfo());
  EXPECT_EQ(ValueOf(row, "USER"), GetParam().user);
  EXPECT_EQ(ValueOf(row, "IP"), GetParam().ip);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SurveyFallbackTest,
    ::testing::Values(FallbackCase{"BothGiven", u"petrov", u"10.0.0.9", u"petrov", u"10.0.0.9"},
                      FallbackCase{"BothEmpty", u"", u"", u"ivanov", u"10.0.0.5"},
                      FallbackCase{"ThreeSpaces", u"   ", u"   ", u"ivanov", u"   "},
                      FallbackCase{"TabAndControls", u"\t\x01\x1F", u"\t", u"ivanov", u"\t"},
                      FallbackCase{"NonBreakingSpaceIsNotBlank", u"\u00A0", u"", u"\u00A0", u"10.0.0.5"},
                      FallbackCase{"SpacesAroundKept", u" petrov ", u" 10.0.0.9 ", u" petrov ", u" 10.0.0.9 "}),
    testing_support::CaseName);

// ---- The first line a short file lacks, in binding order.

struct ShortCase {
  const char* name;
  size_t survey_lines;
  size_t info_lines;
  Text user;  // survey line 1 when present
  Text ip;    // survey line 2 when present
  long long index;
};

class ShortFileTest : public ::testing::TestWithParam<ShortCase> {};

TEST_P(ShortFileTest, NamesTheFirstMissingLine) {
  std::vector<Text> survey_lines = {u"PC-1", GetParam().user, GetParam().ip, u"", u"", u"", u"", u""};
  survey_lines.resize(GetParam().survey_lines);
  std::vector<Text> info_lines = FullInfo().lines();
  info_lines.resize(GetParam().info_lines);
  EXPECT_THAT([&] { SurveyRow(LineList(survey_lines), LineList(info_lines)); }, ListIndex(GetParam().index));
}

INSTANTIATE_TEST_SUITE_P(Files, ShortFileTest,
                         ::testing::Values(ShortCase{"EmptySurvey", 0, 14, u"u", u"ip", 0},
                                           ShortCase{"OneLineSurvey", 1, 14, u"u", u"ip", 1},
                                           ShortCase{"TwoLineSurvey", 2, 14, u"u", u"ip", 2},
                                           ShortCase{"SevenLineSurvey", 7, 14, u"u", u"ip", 7},
                                           ShortCase{"TenLineInfoBlankUser", 8, 10, u"", u"ip", 11},
                                           ShortCase{"TenLineInfoEmptyAddress", 8, 10, u"u", u"", 12},
                                           ShortCase{"TenLineInfoUserAndAddressGiven", 8, 10, u"u", u"ip", 13},
                                           // The survey lines before the first missing info line are read first.
                                           ShortCase{"ShortSurveyBeforeShortInfo", 2, 10, u"", u"ip", 11},
                                           ShortCase{"ShortSurveyAfterInfoPrinter", 3, 10, u"u", u"ip", 13},
                                           ShortCase{"InfoWithoutMachineFacts", 8, 5, u"u", u"ip", 13}),
                         testing_support::CaseName);

TEST(InfoOnlyRowTest, PlaceholderRowFromTheInfoLines) {
  EXPECT_EQ(Bindings(InfoOnlyRow(u"PC-12", FullInfo())),
            WithFullInfoFacts({{"HOST", kText, 70, u"PC-12"},
                               {"USER", kText, 70, u"ivanov"},
                               {"IP", kText, 70, u"10.0.0.5"},
                               {"PRINTER", kText, 192, u"HP LaserJet 1018"},
                               {"FIO", kText, 70, u"АНКЕТА НЕ ЗАПОЛНЕНА"},
                               {"TEL", kText, 70, u""},
                               {"ZDAN", kText, 70, u""},
                               {"ETAJ", kText, 70, u""},
                               {"KAB", kText, 70, u""}}));
}

TEST(InfoOnlyRowTest, TenLinesFailAtLine11) {
  std::vector<Text> lines = FullInfo().lines();
  lines.resize(10);
  EXPECT_THAT([&] { InfoOnlyRow(u"PC-1", LineList(lines)); }, ListIndex(11));
}

// ---- Integer values are checked by the store's rule before anything is written.

struct IntegerCase {
  const char* name;
  Text speed, ram, hdd;
  Text message;  // empty: accepted
};

class RequireWholeNumbersTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(RequireWholeNumbersTest, RefusesTheFirstBadValue) {
  LineList info(std::vector<Text>{GetParam().speed, u"", GetParam().ram, u"", GetParam().hdd, u"", u"", u"", u"", u"",
                                  u"", u"", u"", u""});
  UsersRow row = SurveyRow(Survey({u"PC-1", u"u", u"ip", u"", u"", u"", u"", u""}), info);
  if (GetParam().message.empty()) {
    EXPECT_NO_THROW(RequireWholeNumbers(row));
  } else {
    EXPECT_THAT([&] { RequireWholeNumbers(row); }, testing::Fails(GetParam().message));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, RequireWholeNumbersTest,
    ::testing::Values(
        IntegerCase{"WholeNumbers", u"2400", u"1024", u"80000", u""},
        IntegerCase{"BlanksAndSign", u" 2400 ", u"+1024", u"-1", u""},
        IntegerCase{"SpeedWithUnit", u"2.4GHz", u"1024", u"80000",
                    u"ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number"},
        IntegerCase{"EmptyIsNull", u"", u"", u"", u""},
        IntegerCase{"BlanksOnlyRam", u"2400", u"  ", u"80000",
                    u"ADOCommand: Parameter 'RAM' value '  ' is not a whole number"},
        IntegerCase{"HddTooLarge", u"2400", u"1024", u"2147483648",
                    u"ADOCommand: Parameter 'HDD' value '2147483648' is out of range (-2147483648 to 2147483647)"},
        IntegerCase{"SpeedReportedBeforeRam", u"fast", u"much", u"80000",
                    u"ADOCommand: Parameter 'SPEED' value 'fast' is not a whole number"}),
    testing_support::CaseName);

// ---- The host an info file belongs to.

class InfoHostNameTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(InfoHostNameTest, DropsFourCharactersAndUpperCases) {
  EXPECT_EQ(InfoHostName(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Paths, InfoHostNameTest,
                         ::testing::Values(TextCase{"Plain", u"/srv/share/PC-12.nfo", u"PC-12"},
                                           TextCase{"LowerCase", u"/srv/share/pc-12.nfo", u"PC-12"},
                                           TextCase{"Cyrillic", u"/srv/share/пк-ё.nfo", u"ПК-Ё"},
                                           TextCase{"WindowsPath", u"\\\\fs\\mm$\\Basa\\pc-12.nfo", u"PC-12"},
                                           TextCase{"AnyLastFourCharacters", u"/s/PC-12.NFOX", u"PC-12."},
                                           TextCase{"FiveCharacters", u"/s/a.nfo", u"A"},
                                           TextCase{"FourCharacters", u"/s/.nfo", u""},
                                           TextCase{"ThreeCharacters", u"/s/nfo", u""},
                                           TextCase{"NoFolder", u"x.nfo", u"X"},
                                           TextCase{"DotInFolder", u"/s.x/A.B.nfo", u"A.B"},
                                           TextCase{"SpacesKept", u"/s/ pc .nfo", u" PC "}),
                         testing_support::CaseName);

}  // namespace
}  // namespace survey
