#include "platform/enumerate.h"
#include "survey/survey_folder.h"
#include "tests/support/system_files.h"

#include <dirent.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "common/error.h"
#include "tests/support/temp_folder.h"

using testing_support::TempFolder;

namespace platform {
namespace {

using testing::IsEmpty;
using testing::UnorderedElementsAre;

// The names visited, as the bytes they stand for.
std::vector<std::string> Visit(const std::string& pattern) {
  size_t separator = pattern.rfind('/');
  survey::SurveyFolder folder(testing_support::SystemFiles(), common::PathToText(pattern.substr(0, separator + 1)),
                              "windows-1251");
  std::vector<std::string> names;
  for (const common::Text& name : folder.Matches(common::PathToText(pattern.substr(separator + 1)))) {
    names.push_back(common::TextToPath(name));
  }
  return names;
}

// The folder's own listing order, straight from the file system.
std::vector<std::string> ReaddirOrder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  while (const dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

class EnumerateMatchesTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("PC-12.txt");
    folder_.Write("PC-13.TXT");   // written on Windows in upper case
    folder_.MakeFolder("x.txt");  // a folder named like a survey file
    folder_.Write(".hidden.txt");
    folder_.Write("a.b.txt");
    folder_.Write("y.txtx");
    folder_.Write("txt");
    folder_.Write("PC-12.nfo");
    folder_.Write("notes.doc");
    folder_.MakeFolder("DB");
    ASSERT_EQ(symlink("/nonexistent/target", (folder_.Path() + "link.txt").c_str()), 0);
    ASSERT_EQ(mkfifo((folder_.Path() + "pipe.txt").c_str(), 0600), 0);  // opening it would block
  }

  TempFolder folder_;
};

TEST_F(EnumerateMatchesTest, EachMaskListsEveryKindOfMatchingEntryAndNothingElse) {
  EXPECT_THAT(Visit(folder_.Path() + "*.txt"), UnorderedElementsAre("PC-12.txt", "PC-13.TXT", "x.txt", ".hidden.txt",
                                                                    "a.b.txt", "link.txt", "pipe.txt"));
  EXPECT_THAT(Visit(folder_.Path() + "*.nfo"), UnorderedElementsAre("PC-12.nfo"));
  // Even a star never visits "." and "..": the twelve entries made above and no more.
  EXPECT_THAT(Visit(folder_.Path() + "*"), testing::SizeIs(12));
  EXPECT_THAT(Visit(folder_.Path() + "*"), testing::Not(testing::Contains(testing::AnyOf(".", ".."))));
}

TEST_F(EnumerateMatchesTest, EntriesComeInTheFileSystemsListingOrder) {
  for (int i = 0; i < 40; ++i) folder_.Write("host-" + std::to_string(i) + ".txt");
  std::vector<std::string> visited = Visit(folder_.Path() + "*.txt");
  std::set<std::string> matched(visited.begin(), visited.end());
  ASSERT_EQ(matched.size(), 47u);
  std::vector<std::string> listed;
  for (const std::string& name : ReaddirOrder(folder_.Path())) {
    if (matched.count(name)) listed.push_back(name);
  }
  EXPECT_EQ(visited, listed);
}

TEST(EnumerateMatchesMissingTest, FolderThatCannotBeOpenedGivesNothing) {
  TempFolder folder;
  folder.Write("plain.txt");
  EXPECT_THAT(Visit(folder.Path() + "missing/*.txt"), IsEmpty());
  EXPECT_THAT(Visit(folder.Path() + "plain.txt/*.txt"), IsEmpty());  // a file, not a folder
  EXPECT_THAT(Visit("/nonexistent-inventory-share/Basa/*.txt"), IsEmpty());
}

TEST(EnumerateMatchesNamesTest, NameThatIsNotUtf8OpensAgainFromTheListedText) {
  TempFolder folder;
  folder.Write("pc-\xff\xfe.txt", "survey");
  survey::SurveyFolder survey(testing_support::SystemFiles(), common::PathToText(folder.Path()), "windows-1251");
  std::vector<common::Text> names = survey.Matches(u"*.txt");
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], u"pc-\xDCFF\xDCFE.txt");
  EXPECT_THAT(survey.ReadLines(names[0]).lines(), testing::ElementsAre(u"survey"));
}

struct MaskCase {
  const char* name;
  const char* mask;
  bool matches;
};

void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name << " ~ " << c.mask; }

class WildcardTest : public testing::TestWithParam<MaskCase> {};

TEST_P(WildcardTest, MatchesLikeTheWindowsSearchIgnoringCase) {
  TempFolder folder;
  folder.Write(GetParam().name);
  EXPECT_EQ(Visit(folder.Path() + GetParam().mask).size(), GetParam().matches ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Masks, WildcardTest,
                         testing::Values(MaskCase{"PC-12.txt", "*.txt", true}, MaskCase{"PC-12.TXT", "*.txt", true},
                                         MaskCase{"pc-12.Txt", "*.TXT", true}, MaskCase{"y.txtx", "*.txt", false},
                                         MaskCase{"y.tx", "*.txt", false}, MaskCase{"txt", "*.txt", false},
                                         MaskCase{".txt", "*.txt", true}, MaskCase{"a.txt.txt", "*.txt", true},
                                         MaskCase{"a.txt.nfo", "*.txt", false}, MaskCase{"ab.nfo", "?b.NFO", true},
                                         MaskCase{"b.nfo", "?b.nfo", false},
                                         MaskCase{"\xd0\xbf\xd0\xba.txt", "\xd0\x9f\xd0\x9a.*", true},  // пк.txt, ПК.*
                                         MaskCase{"a\\b.txt", "*.txt", true}));  // "\" is part of the name

}  // namespace
}  // namespace platform
