#include "survey/info_lines.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/text_cases.h"

namespace survey {
namespace {

using common::Text;
using testing_support::TextCase;

LineList Numbered(size_t count) {
  LineList list;
  for (size_t i = 0; i < count; ++i) list.Append(u"L" + common::FromUtf8(std::to_string(i)));
  return list;
}

// ---- Completion of a short info file, by the number of lines read.

struct CompletionCase {
  size_t lines_read;
  std::vector<Text> expected;
  Text address = u"10.0.0.7";  // what the host's name resolves to; empty: it does not
};

class CompleteInfoLinesTest : public ::testing::TestWithParam<CompletionCase> {};

TEST_P(CompleteInfoLinesTest, AppendsTheMissingLines) {
  LineList info = Numbered(GetParam().lines_read);
  CompleteInfoLines(info, GetParam().address);
  EXPECT_EQ(info.lines(), GetParam().expected);
}

const std::vector<Text> kTen = {u"L0", u"L1", u"L2", u"L3", u"L4", u"L5", u"L6", u"L7", u"L8", u"L9"};

std::vector<Text> TenAnd(std::vector<Text> rest) {
  std::vector<Text> lines = kTen;
  lines.insert(lines.end(), rest.begin(), rest.end());
  return lines;
}

INSTANTIATE_TEST_SUITE_P(
    LineCounts, CompleteInfoLinesTest,
    ::testing::Values(CompletionCase{10, kTen},                                        // too short: left alone
                      CompletionCase{11, TenAnd({u"L10", u"", u"10.0.0.7", u""})},     // USER, IP, PRINTER supplied
                      CompletionCase{11, TenAnd({u"L10", u"", u"", u""}), u""},        // the address unknown
                      CompletionCase{12, TenAnd({u"L10", u"L11", u"10.0.0.7", u""})},  // IP and PRINTER supplied
                      CompletionCase{13, TenAnd({u"L10", u"L11", u"L12", u""})},       // only PRINTER supplied
                      CompletionCase{14, TenAnd({u"L10", u"L11", u"L12", u"L13"})},    // complete
                      CompletionCase{15, TenAnd({u"L10", u"L11", u"L12", u"L13", u"L14"})}),  // longer: left alone
    [](const auto& info) {
      return std::to_string(info.param.lines_read) + "Lines" + (info.param.address.empty() ? "NoAddress" : "");
    });

TEST(DefaultInfoLinesTest, ZeroForTheIntegersAndEmptyElsewhereInFifteenLines) {
  const std::vector<Text> expected = {u"0", u"", u"0", u"", u"0", u"", u"", u"", u"", u"", u"", u"", u"", u"", u""};
  EXPECT_EQ(DefaultInfoLines().lines(), expected);
  LineList defaults = DefaultInfoLines();
  CompleteInfoLines(defaults, u"10.0.0.7");
  EXPECT_EQ(defaults.lines(), expected);
}

// ---- The companion info file of a survey file.

class CompanionInfoPathTest : public ::testing::TestWithParam<testing_support::TextCase> {};

TEST_P(CompanionInfoPathTest, ChangesTheExtension) {
  EXPECT_EQ(CompanionInfoPath(GetParam().input), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CompanionInfoPathTest,
    ::testing::Values(TextCase{"Plain", u"/srv/share/PC-12.txt", u"/srv/share/PC-12.nfo"},
                      TextCase{"TwoDots", u"/srv/share/A.B.txt", u"/srv/share/A.B.nfo"},
                      TextCase{"NoDot", u"/srv/share/PC-12", u"/srv/share/PC-12.nfo"},
                      TextCase{"DotInFolderOnly", u"/srv/sh.are/PC-12", u"/srv/sh.are/PC-12.nfo"},
                      TextCase{"DotInBackslashFolderOnly", u"\\\\fs\\mm$\\Ba.sa\\PC-12",
                               u"\\\\fs\\mm$\\Ba.sa\\PC-12.nfo"},
                      TextCase{"WindowsPath", u"\\\\fs\\mm$\\Basa\\PC-12.txt", u"\\\\fs\\mm$\\Basa\\PC-12.nfo"},
                      TextCase{"DriveOnly", u"C:PC.txt", u"C:PC.nfo"}, TextCase{"DotAfterDrive", u"C:.", u"C:.nfo"},
                      TextCase{"AnyExtension", u"/s/PC-12.TXT", u"/s/PC-12.nfo"},
                      TextCase{"TrailingDot", u"/s/PC-12.", u"/s/PC-12.nfo"},
                      TextCase{"HiddenName", u"/s/.txt", u"/s/.nfo"}, TextCase{"Empty", u"", u".nfo"}),
    testing_support::CaseName);

}  // namespace
}  // namespace survey
