// Workstation files live on a share that every workstation can write to. Whatever stands in place of
// a file there must be refused quickly and clearly: never followed, never blocked on, never read whole.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/error.h"
#include "survey/read_lines.h"
#include "tests/support/posix_calls_override.h"
#include "tests/survey/survey_testing.h"

namespace survey {
namespace {

using common::Text;
using ::testing::ElementsAre;

auto CannotOpen(const Text& path, const Text& reason) {
  return testing::Fails(u"Cannot open file \"" + path + u"\". " + reason);
}

class HostileFileTest : public ::testing::Test {
 protected:
  testing_support::TempFolder folder_;
};

// Whatever is no regular file within the size limit, each under its own name in one folder.
TEST_F(HostileFileTest, EntryThatIsNoSmallRegularFileIsRefusedWithTheSystemsReason) {
  folder_.MakeFolder("outside");
  folder_.Write("outside/secret.txt", "outside the share\r\n");
  std::filesystem::create_symlink(folder_.Native("outside/secret.txt"), folder_.Native("link.txt"));
  std::filesystem::create_symlink(folder_.Native("nowhere"), folder_.Native("dangling.txt"));
  std::filesystem::create_symlink("/dev/zero", folder_.Native("device-link.txt"));
  // Nobody writes to this FIFO: a blocking open would never return.
  ASSERT_EQ(::mkfifo(folder_.Native("fifo.txt").c_str(), 0600), 0);
  // A character device with the numbers of /dev/zero: read as data it would never end.
  const bool device = ::mknod(folder_.Native("device.txt").c_str(), S_IFCHR | 0600, makedev(1, 5)) == 0;
  folder_.MakeFolder("folder.txt");
  // A sparse file: refusing it must not need its bytes.
  folder_.Write("sparse.txt", "");
  std::filesystem::resize_file(folder_.Native("sparse.txt"), 100 * 1024 * 1024);
  folder_.Write("over.txt", std::string(1024 * 1024 + 1, 'a'));
  folder_.Write("unreadable.txt", "PC-1\r\n");
  ASSERT_EQ(::chmod(folder_.Native("unreadable.txt").c_str(), 0), 0);
  const Text kTooLarge = u"File too large (the limit is 1048576 bytes)";
  const std::pair<Text, Text> refused[] = {
      {folder_.PathOf("link.txt"), u"Too many levels of symbolic links"},
      {folder_.PathOf("dangling.txt"), u"Too many levels of symbolic links"},
      {folder_.PathOf("device-link.txt"), u"Too many levels of symbolic links"},
      {folder_.PathOf("fifo.txt"), u"Not a regular file"},
      {device ? folder_.PathOf("device.txt") : Text(), u"Not a regular file"},
      {folder_.PathOf("folder.txt"), u"Is a directory"},
      {folder_.PathOf("sparse.txt"), kTooLarge},
      {folder_.PathOf("over.txt"), kTooLarge},
      {::geteuid() != 0 ? folder_.PathOf("unreadable.txt") : Text(), u"Permission denied"},  // root reads all
      {folder_.PathOf("over.txt") + Text(1, u'\0') + u"x", u"Invalid argument"}};
  for (const auto& [path, reason] : refused) {
    SCOPED_TRACE(common::ToUtf8(path));
    if (path.empty()) continue;
    EXPECT_THAT([&] { testing::ReadLines(path); }, CannotOpen(path, reason));
  }
}

TEST_F(HostileFileTest, FileOfExactlyTheLimitIsRead) {
  Text path = folder_.Write("big.txt", "PC-1\n" + std::string(1024 * 1024 - 5, 'a'));
  LineList lines = testing::ReadLines(path);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines.At(1).size(), 1024u * 1024u - 5u);
}

TEST_F(HostileFileTest, FileLockedForWritingIsRefused) {
  Text path = folder_.Write("PC-1.txt", "PC-1\r\n");
  int writer = ::open(folder_.Native("PC-1.txt").c_str(), O_WRONLY);
  ASSERT_GE(writer, 0);
  if (::flock(writer, LOCK_EX | LOCK_NB) != 0) {
    ::close(writer);
    GTEST_SKIP() << "no flock here";
  }
  EXPECT_THAT([&] { testing::ReadLines(path); }, CannotOpen(path, u"Resource temporarily unavailable"));
  ::close(writer);
  EXPECT_THAT(testing::ReadLines(path).lines(), ElementsAre(u"PC-1"));
}

TEST_F(HostileFileTest, BinaryFileIsReadAsCodePageText) {
  std::string bytes;
  for (int i = 1; i < 256; ++i) bytes.push_back(static_cast<char>(i));
  Text path = folder_.Write("bin.txt", bytes);
  // Bytes 1..9, then LF; 11, 12, then CR; the rest up to 255 in one line.
  LineList lines = testing::ReadLines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines.At(0).size(), 9u);
  EXPECT_EQ(lines.At(1).size(), 2u);
  EXPECT_EQ(lines.At(2).size(), 255u - 13u);
}

TEST_F(HostileFileTest, ManyShortLinesAreAllRead) {
  std::string bytes;
  for (int i = 0; i < 10000; ++i) bytes += "x\n";
  EXPECT_EQ(testing::ReadLines(folder_.Write("many.txt", bytes)).size(), 10000u);
}

// ---- Whether a companion file exists, as the folder's listing tells: anything but a folder does, so
// that it is then refused loudly.

TEST_F(HostileFileTest, ListedForFilesLinksAndFifosButNotFolders) {
  folder_.Write("a.nfo", "x");
  std::filesystem::create_directory(folder_.Native("b.nfo"));
  std::filesystem::create_symlink(folder_.Native("nowhere"), folder_.Native("c.nfo"));
  ASSERT_EQ(::mkfifo(folder_.Native("d.nfo").c_str(), 0600), 0);
  SurveyFolder survey(testing_support::SystemFiles(), folder_.Folder(), "windows-1251");
  EXPECT_TRUE(survey.Lists(u"a.nfo"));
  EXPECT_FALSE(survey.Lists(u"b.nfo"));
  EXPECT_TRUE(survey.Lists(u"c.nfo"));
  EXPECT_TRUE(survey.Lists(u"d.nfo"));
  EXPECT_FALSE(survey.Lists(u"e.nfo"));
}

// A name listed only in another case is the file system's to tell (the same file where case does not
// count); when it cannot look, that is no "not there" that would let the host's facts be replaced.
TEST_F(HostileFileTest, ListedInAnotherCaseNeverTakesAFailureToLookForAbsence) {
  folder_.Write("PC-1.NFO", "x");
  SurveyFolder survey(testing_support::SystemFiles(), folder_.Folder(), "windows-1251");
  EXPECT_FALSE(survey.Lists(u"pc-1.nfo"));  // this file system minds case: another name
  testing_support::RealCallsAfterwards restore;
  testing_support::FailNth(platform::posix::SystemCalls().fstatat, 1, EACCES);
  EXPECT_THAT([&] { survey.Lists(u"Pc-1.nfo"); },
              testing::Fails(u"Cannot read file \"" + folder_.Folder() + u"Pc-1.nfo\". Permission denied"));
}

}  // namespace
}  // namespace survey
