// The generated share: the same options give the same bytes, and the share holds what it promises.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tests/support/share_generator.h"
#include "tests/support/temp_folder.h"

using testing_support::TempFolder;

namespace bench {
namespace {

std::map<std::string, std::string> Contents(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[std::filesystem::relative(entry.path(), folder).string()] =
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return files;
}

ShareOptions Small(uint32_t seed) {
  ShareOptions options;
  options.hosts = 200;
  options.seed = seed;
  return options;
}

TEST(ShareGeneratorTest, SameSeedGivesTheSameBytesAndAnotherSeedDoesNot) {
  TempFolder a, b, c;
  WriteShare(a.Path(), Small(5));
  WriteShare(b.Path(), Small(5));
  WriteShare(c.Path(), Small(6));
  EXPECT_EQ(Contents(a.Path()), Contents(b.Path()));
  EXPECT_NE(Contents(a.Path()), Contents(c.Path()));
}

TEST(ShareGeneratorTest, HoldsSurveyAndInfoFilesInEveryEncodingAndTheDirectory) {
  TempFolder folder;
  ShareSummary summary = WriteShare(folder.Path(), Small(5));
  std::map<std::string, std::string> files = Contents(folder.Path());
  int surveys = 0, infos = 0, utf16 = 0, utf8_mark = 0, lf_only = 0;
  for (const auto& [name, bytes] : files) {
    if (name.ends_with(".txt")) ++surveys;
    if (name.ends_with(".nfo")) ++infos;
    if (bytes.starts_with("\xFF\xFE")) ++utf16;
    if (bytes.starts_with("\xEF\xBB\xBF")) ++utf8_mark;
    if (bytes.find("\r\n") == std::string::npos && bytes.find('\n') != std::string::npos) ++lf_only;
  }
  EXPECT_EQ(surveys, 200);
  EXPECT_EQ(summary.survey_files, 200);
  EXPECT_EQ(infos, summary.info_files);
  EXPECT_GT(infos, 200) << "hosts known only by their info file";
  EXPECT_GT(utf16, 0);
  EXPECT_GT(utf8_mark, 0);
  EXPECT_GT(lf_only, 0);
  ASSERT_TRUE(files.contains("directory/gal.ldif"));
  ASSERT_TRUE(files.contains("directory/contacts.vcf"));
  EXPECT_THAT(files["directory/gal.ldif"], ::testing::HasSubstr("displayName:: "));
  EXPECT_THAT(files["directory/contacts.vcf"], ::testing::HasSubstr("TEL;TYPE=WORK,VOICE:"));
  EXPECT_GT(summary.gal_entries, 150);
  EXPECT_LT(summary.contacts, 200) << "some surveyed people are missing from the contacts";
}

}  // namespace
}  // namespace bench
