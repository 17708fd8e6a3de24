#include "app/refresh_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/inventory.h"
#include "common/error.h"
#include "tests/app/recording_stages.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

using testing_support::TempFolder;

namespace app {
namespace {

using testing::ElementsAre;
using testing::UnorderedElementsAre;

class RefreshRunTest : public testing::Test {
 protected:
  common::Text Folder() const { return common::PathToText(folder_.Path()); }
  std::string P(const std::string& name) const { return folder_.Path() + name; }
  void Run(const common::Text& folder, RunCounts* counts = nullptr, const SkipFile& skip = nullptr) {
    survey::SurveyFolder survey(testing_support::SystemFiles(), folder, "windows-1251");
    RunCounts ignored;
    RunRefresh(stages_, survey, counts ? *counts : ignored, skip);
  }

  TempFolder folder_;
  RecordingStages stages_;
};

// A second run repeats the whole sequence.
TEST_F(RefreshRunTest, StagesRunInOrderWithFolderFollowedByEntryNameInEveryRun) {
  folder_.Write("PC-12.TXT");
  folder_.Write("PC-12.nfo");
  folder_.Write("readme.doc");
  Run(Folder());
  Run(Folder());
  const std::vector<std::string> run = {"GetExchange", "AddData " + P("PC-12.TXT"), "AddInfoData " + P("PC-12.nfo"),
                                        "MergeContacts", "CloseConnectionIfConnected"};
  std::vector<std::string> twice = run;
  twice.insert(twice.end(), run.begin(), run.end());
  EXPECT_EQ(stages_.calls, twice);
}

TEST_F(RefreshRunTest, EverySurveyFileBeforeAnyInfoFile) {
  for (const char* name : {"a.txt", "b.nfo", "c.txt", "d.nfo", "e.txt"}) folder_.Write(name);
  folder_.MakeFolder("f.txt");  // handed over like a file
  Run(Folder());
  ASSERT_EQ(stages_.calls.size(), 9u);
  EXPECT_EQ(stages_.calls.front(), "GetExchange");
  std::vector<std::string> survey(stages_.calls.begin() + 1, stages_.calls.begin() + 5);
  std::vector<std::string> info(stages_.calls.begin() + 5, stages_.calls.begin() + 7);
  EXPECT_THAT(survey, UnorderedElementsAre("AddData " + P("a.txt"), "AddData " + P("c.txt"), "AddData " + P("e.txt"),
                                           "AddData " + P("f.txt")));
  EXPECT_THAT(info, UnorderedElementsAre("AddInfoData " + P("b.nfo"), "AddInfoData " + P("d.nfo")));
  EXPECT_THAT(std::vector<std::string>(stages_.calls.end() - 2, stages_.calls.end()),
              ElementsAre("MergeContacts", "CloseConnectionIfConnected"));
}

TEST_F(RefreshRunTest, EmptyOrMissingFolderStillExportsMergesAndCloses) {
  Run(Folder());
  Run(Folder() + u"missing/");
  EXPECT_THAT(stages_.calls, ElementsAre("GetExchange", "MergeContacts", "CloseConnectionIfConnected", "GetExchange",
                                         "MergeContacts", "CloseConnectionIfConnected"));
}

struct FailureCase {
  const char* failing_call;
  std::vector<const char*> calls;  // what has been called when the run ends, the failing call last
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << "failing " << c.failing_call; }

class RefreshRunFailureTest : public RefreshRunTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(RefreshRunFailureTest, FailingStageEndsTheRunWithItsMessageAndLeavesTheConnection) {
  folder_.Write("only.txt");
  folder_.Write("only.nfo");
  stages_.fail_at = GetParam().failing_call;
  stages_.fail_message = u"ADOCommand: Parameter 'HSOT' not found";
  try {
    Run(Folder());
    FAIL() << "the run did not fail";
  } catch (const common::Error& error) {
    EXPECT_EQ(error.message(), u"ADOCommand: Parameter 'HSOT' not found");
  }
  std::vector<std::string> expected;
  for (std::string call : GetParam().calls) {
    if (call == "AddData") call += " " + P("only.txt");
    if (call == "AddInfoData") call += " " + P("only.nfo");
    expected.push_back(call);
  }
  EXPECT_EQ(stages_.calls, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Stages, RefreshRunFailureTest,
    testing::Values(FailureCase{"GetExchange", {"GetExchange"}}, FailureCase{"AddData", {"GetExchange", "AddData"}},
                    FailureCase{"AddInfoData", {"GetExchange", "AddData", "AddInfoData"}},
                    FailureCase{"MergeContacts", {"GetExchange", "AddData", "AddInfoData", "MergeContacts"}},
                    FailureCase{
                        "CloseConnectionIfConnected",
                        {"GetExchange", "AddData", "AddInfoData", "MergeContacts", "CloseConnectionIfConnected"}}));

TEST_F(RefreshRunTest, FailureOnOneSurveyFileSkipsTheFilesAfterIt) {
  for (int i = 0; i < 5; ++i) folder_.Write("host-" + std::to_string(i) + ".txt");
  stages_.fail_at = "AddData";
  EXPECT_THROW(Run(Folder()), common::Error);
  EXPECT_EQ(stages_.calls.size(), 2u);
  EXPECT_EQ(stages_.calls.back().rfind("AddData ", 0), 0u);
}

// With a handler for failing files, a workstation file's failure is handed over, counted and passed
// by; any other failure still ends the run.
TEST_F(RefreshRunTest, WithASkipHandlerOnlyWorkstationFileFailuresAreSkipped) {
  for (const char* name : {"a.txt", "b.txt", "c.nfo"}) folder_.Write(name);
  stages_.fail_at = "Add";
  stages_.fail_as_file = true;
  std::vector<std::string> skipped;
  RunCounts counts;
  Run(Folder(), &counts, [&](const common::Text&, const common::Error& failure) { skipped.push_back(failure.what()); });
  EXPECT_THAT(skipped, ElementsAre("Stage failed", "Stage failed", "Stage failed"));
  EXPECT_EQ(counts.files_skipped, 3u);
  EXPECT_EQ(counts.survey_files_imported, 0u);
  EXPECT_EQ(stages_.calls.back(), "CloseConnectionIfConnected");

  stages_.calls.clear();
  stages_.fail_as_file = false;
  EXPECT_THROW(Run(Folder(), &counts, [&](const common::Text&, const common::Error&) {}), common::Error);
  EXPECT_EQ(stages_.calls.size(), 2u) << "a database failure ends the run at the first file";
}

}  // namespace
}  // namespace app
