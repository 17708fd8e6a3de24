// What the imports do before they reach the database: the log line, the files they read and the
// failures that must come before any statement runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "survey/info_import.h"
#include "survey/survey_import.h"
#include "tests/support/system_texts.h"
#include "tests/support/text_cases.h"
#include "tests/survey/survey_testing.h"

namespace survey {
namespace {

using common::Text;
using ::testing::ElementsAre;
using testing::Fails;
using ::testing::IsEmpty;

// No connection string is set: any statement that reached the database would fail with another message.
class ImportOrderTest : public testing::ImportTestBase {
 protected:
  // The share as a refresh run sees it, listed at the first question about it; `path` is in it.
  void Add(const Text& path) { AddData(Survey(path), platform::SplitFolder(path).name, command_, log_); }
  void AddInfo(const Text& path) {
    AddInfoData(Survey(path), platform::SplitFolder(path).name, command_, query_, log_);
  }
  SurveyFolder& Survey(const Text& path) {
    if (!survey_) {
      survey_ = std::make_unique<SurveyFolder>(testing_support::SystemFiles(), platform::SplitFolder(path).folder,
                                               "windows-1251");
    }
    return *survey_;
  }

  std::unique_ptr<SurveyFolder> survey_;
};

const std::string kInfo14 =
    "2400\r\nx86\r\n1024\r\nCPU\r\n80000\r\nXP\r\n5.1\r\n\r\n2600\r\nSP3\r\nBIOS\r\nuser\r\n10.0.0.5\r\nHP\r\n";

TEST_F(ImportOrderTest, SurveyPathIsLoggedBeforeTheFileIsOpened) {
  Text path = share_.PathOf("PC-404.txt");
  EXPECT_THAT([&] { Add(path); }, Fails(u"Cannot open file \"" + path + u"\". " + testing_support::FileNotFoundText()));
  EXPECT_THAT(log_.lines, ElementsAre(path));
}

#ifndef _WIN32  // FIFOs are POSIX
TEST_F(ImportOrderTest, CompanionInfoFileIsReadBeforeTheSurveyFile) {
  // Both are hostile; the info file is the one named.
  ASSERT_EQ(::mkfifo(share_.Native("PC-1.nfo").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(share_.Native("PC-1.txt").c_str(), 0600), 0);
  EXPECT_THAT([&] { Add(share_.PathOf("PC-1.txt")); },
              Fails(u"Cannot open file \"" + share_.PathOf("PC-1.nfo") + u"\". Not a regular file"));
}
#endif

TEST_F(ImportOrderTest, CompanionFolderCountsAsMissing) {
  std::filesystem::create_directory(share_.Native("PC-1.nfo"));
  Text path = share_.Write("PC-1.txt", "PC-1\r\nu\r\nip\r\n");
  EXPECT_THAT([&] { Add(path); }, Fails(u"List index out of bounds (3)"));
}

struct BadSurveyCase {
  const char* name;
  std::string survey;
  std::string info;  // empty: no info file
  Text message;
};

class BadSurveyFileTest : public ImportOrderTest, public ::testing::WithParamInterface<BadSurveyCase> {};

TEST_P(BadSurveyFileTest, FailsBeforeAnyStatement) {
  if (!GetParam().info.empty()) share_.Write("PC-1.nfo", GetParam().info);
  Text path = share_.Write("PC-1.txt", GetParam().survey);
  EXPECT_THAT([&] { Add(path); }, Fails(GetParam().message));
  EXPECT_THAT(log_.lines, ElementsAre(path));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadSurveyFileTest,
    ::testing::Values(BadSurveyCase{"EmptySurvey", "", kInfo14, u"List index out of bounds (0)"},
                      BadSurveyCase{"MarkOnlySurvey", "\xEF\xBB\xBF", kInfo14, u"List index out of bounds (0)"},
                      BadSurveyCase{"FiveLineSurvey", "PC-1\r\nu\r\nip\r\nFIO\r\ntel\r\n", kInfo14,
                                    u"List index out of bounds (5)"},
                      BadSurveyCase{"TenLineInfoBlankUser", "PC-1\r\n\r\nip\r\nF\r\nT\r\nZ\r\nE\r\nK\r\n",
                                    "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", u"List index out of bounds (11)"},
                      BadSurveyCase{"SpeedNotWholeNumber", "PC-1\r\nu\r\nip\r\nF\r\nT\r\nZ\r\nE\r\nK\r\n",
                                    "2.4GHz\r\nx86\r\n1024\r\nCPU\r\n80000\r\nXP\r\n5.1\r\n\r\n2600\r\nSP3\r\nBIOS\r\n",
                                    u"ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number"}),
    testing_support::CaseName);

TEST_F(ImportOrderTest, InfoFileThatCannotBeOpenedLogsNothing) {
  Text path = share_.PathOf("PC-404.nfo");
  EXPECT_THAT([&] { AddInfo(path); },
              Fails(u"Cannot open file \"" + path + u"\". " + testing_support::FileNotFoundText()));
  EXPECT_THAT(log_.lines, IsEmpty());
}

}  // namespace
}  // namespace survey
