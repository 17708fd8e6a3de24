// The Windows folder listing through FindFirstFileW/FindNextFileW, matched against the survey masks by
// the same rules as the POSIX listing: every attribute, case-insensitive matching, and long names only
// (never a match through a generated short name).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/enumerate.h"
#include "platform/file_system.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class EnumerateMatchesWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write(u"PC-12.txt");
    folder_.Write(u"PC-13.TXT");   // written in upper case
    folder_.MakeFolder(u"x.txt");  // a folder named like a survey file
    folder_.Write(u"a.b.txt");
    folder_.Write(u"y.txtx");  // its short name Y~1.TXT matches "*.txt"; the long name does not
    folder_.Write(u"longer name.txt_old");
    folder_.Write(u"txt");
    folder_.Write(u"PC-12.nfo");
    folder_.Write(u"Иванов ПК.txt");
    folder_.MakeFolder(u"DB");
  }

  std::vector<common::Text> Visit(const common::Text& mask, common::Text folder = {}) {
    return MatchingNames(files_.OpenFolder(folder.empty() ? folder_.Folder() : folder)->List(), mask);
  }

  SystemFileSystem files_;

  testing_support::TempFolder folder_;
};

TEST_F(EnumerateMatchesWinTest, SurveyMaskGivesLongNamesOfEveryKindWithoutRegardToCase) {
  EXPECT_THAT(Visit(u"*.txt"),
              UnorderedElementsAre(u"PC-12.txt", u"PC-13.TXT", u"x.txt", u"a.b.txt", u"Иванов ПК.txt"));
}

TEST_F(EnumerateMatchesWinTest, InfoMaskGivesOnlyInfoFiles) {
  EXPECT_THAT(Visit(u"*.nfo"), UnorderedElementsAre(u"PC-12.nfo"));
}

TEST_F(EnumerateMatchesWinTest, HiddenAndSystemFilesAreVisited) {
  folder_.Write(u"hidden.txt");
  folder_.Write(u"system.txt");
  folder_.Write(u"readonly.txt");
  ASSERT_TRUE(::SetFileAttributesW(folder_.Native(u"hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(
      ::SetFileAttributesW(folder_.Native(u"system.txt").c_str(), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(::SetFileAttributesW(folder_.Native(u"readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  std::vector<common::Text> names = Visit(u"*.txt");
  SetFileAttributesW(folder_.Native(u"readonly.txt").c_str(),
                     FILE_ATTRIBUTE_NORMAL);  // so that the folder can be removed
  EXPECT_THAT(names, ::testing::IsSupersetOf({u"hidden.txt", u"system.txt", u"readonly.txt"}));
  EXPECT_EQ(names.size(), 8u);
}

TEST_F(EnumerateMatchesWinTest, QuestionMarkAndForwardSlashFolderWork) {
  common::Text folder = folder_.Folder();
  folder.back() = u'/';
  EXPECT_THAT(Visit(u"PC-1?.*", folder), UnorderedElementsAre(u"PC-12.txt", u"PC-13.TXT", u"PC-12.nfo"));
}

TEST_F(EnumerateMatchesWinTest, NoMatchVisitsNothingAndAMissingFolderIsNoEmptyOne) {
  EXPECT_THAT(Visit(u"*.doc"), IsEmpty());
  EXPECT_THROW(Visit(u"*.txt", folder_.Folder() + u"no such folder\\"), CannotOpenFolder);
}

}  // namespace
}  // namespace platform
