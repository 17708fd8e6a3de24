// A survey share that every workstation can write to, holding one hostile entry among good files.
// Each case: a run over the good share, then a run with the hostile entry added (it stops with the
// entry's message, or handles it), then a run with it removed again. Nothing may hang, no row of the
// good share may be lost, and nothing from outside the share may reach the database.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/child_run.h"
#include "tests/support/dbf_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"
#include "tests/support/text_cases.h"
#include "tests/support/workstation_files.h"

using testing_support::ChildRun;
using testing_support::InfoFile;
using testing_support::SurveyFile;
using testing_support::TempFolder;
using testing_support::WriteFile;

namespace app {
namespace {

namespace fs = std::filesystem;

// In the outside file only: it must never show up in a table.
constexpr char kSecret[] = "OUTSIDE-SECRET-7Q";

struct HostileCase {
  const char* name;
  std::function<bool(const fs::path& share, const fs::path& outside)> add;  // false: skip (not permitted)
  std::string entry;                     // the name added to the share, removed again at the end
  std::string message;                   // standard error of the run with the entry; empty: the run succeeds
  std::vector<std::string> added_hosts;  // hosts the entry adds when it is handled
};

std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.name; }

std::vector<HostileCase> Cases() {
  auto file = [](std::string name, std::string bytes) {
    return [name, bytes](const fs::path& share, const fs::path&) {
      WriteFile(share / name, bytes);
      return true;
    };
  };
  std::string many;
  for (int i = 0; i < 10000; ++i) many += "L" + std::to_string(i) + "\n";
  // A picture: its signature gives two lines, and its first NUL byte ends the text.
  std::string binary("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16);
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919 + 13) % 256));
  return {
      {"FifoNamedLikeASurveyFile",
       [](const fs::path& share, const fs::path&) { return ::mkfifo((share / "fifo.txt").c_str(), 0666) == 0; },
       "fifo.txt",
       "Cannot open file \"%/fifo.txt\". Not a regular file.\n",
       {}},
      {"SymlinkToAFileOutside",
       [](const fs::path& share, const fs::path& outside) {
         fs::create_symlink(outside / "secret.txt", share / "link.txt");
         return true;
       },
       "link.txt",
       "Cannot open file \"%/link.txt\". Too many levels of symbolic links.\n",
       {}},
      {"SymlinkedInfoFileOfAGoodHost",
       [](const fs::path& share, const fs::path& outside) {
         fs::remove(share / "GOOD-2.nfo");
         fs::create_symlink(outside / "secret.nfo", share / "GOOD-2.nfo");
         return true;
       },
       "GOOD-2.nfo",
       "Cannot open file \"%/GOOD-2.nfo\". Too many levels of symbolic links.\n",
       {}},
      {"DeviceNode",
       [](const fs::path& share, const fs::path&) {
         return ::mknod((share / "device.txt").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
       },
       "device.txt",
       "Cannot open file \"%/device.txt\". Not a regular file.\n",
       {}},
      {"FolderNamedLikeASurveyFile",
       [](const fs::path& share, const fs::path&) { return fs::create_directory(share / "x.txt"); },
       "x.txt",
       "Cannot open file \"%/x.txt\". Is a directory.\n",
       {}},
      {"HundredMegabyteSparseFile",
       [](const fs::path& share, const fs::path&) {
         int fd = ::open((share / "big.txt").c_str(), O_WRONLY | O_CREAT, 0666);
         bool made = fd >= 0 && ::ftruncate(fd, 100 * 1024 * 1024) == 0;
         ::close(fd);
         return made;
       },
       "big.txt",
       "Cannot open file \"%/big.txt\". File too large (the limit is 1048576 bytes)\n",
       {}},
      {"BinaryFile", file("binary.txt", binary), "binary.txt", "List index out of bounds (2)\n", {}},
      {"TenThousandShortLines", file("many.txt", many), "many.txt", "", {"L0"}},
      {"NameWithANewline", file("new\nline.txt", SurveyFile("NEWLINE-HOST")), "new\nline.txt", "", {"NEWLINE-HOST"}},
      {"NameWithInvalidUtf8",
       file("bad\xFF\xFE.txt", SurveyFile("BADNAME-HOST")),
       "bad\xFF\xFE.txt",
       "",
       {"BADNAME-HOST"}},
      {"FourCharacterInfoFileName", file(".nfo", InfoFile()), ".nfo", "", {}},
      {"SpeedWithUnits",
       [](const fs::path& share, const fs::path&) {
         WriteFile(share / "GOOD-3.nfo", InfoFile("2.4GHz"));
         return true;
       },
       "GOOD-3.nfo",
       "ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number.\n",
       {}},
  };
}

class HostileShareTest : public ::testing::TestWithParam<HostileCase> {
 protected:
  HostileShareTest() {
    fs::create_directory(share());
    fs::create_directory(outside());
    for (int i = 1; i <= 5; ++i) {
      std::string host = "GOOD-" + std::to_string(i);
      WriteFile(share() / (host + ".txt"), SurveyFile(host));
      WriteFile(share() / (host + ".nfo"), InfoFile());
    }
    WriteFile(share() / "INFO-ONLY.nfo", InfoFile("1800"));
    // A directory in which nobody of the share is listed, so the merge leaves the rows as imported.
    fs::create_directory(share() / "directory");
    WriteFile(share() / "directory" / "gal.ldif",
              "dn: cn=good,dc=example\ndisplayName: GOOD\nlegacyExchangeDN: /o=A/cn=R/cn=good\n\n");
    WriteFile(share() / "directory" / "contacts.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Petrov;Petr;;;\r\n"
              "TEL;TYPE=WORK:21-45\r\nEND:VCARD\r\n");
    WriteFile(outside() / "secret.txt", SurveyFile(kSecret));
    WriteFile(outside() / "secret.nfo", InfoFile("1", kSecret));
  }
  fs::path share() const { return fs::path(share_.Path()) / "share"; }
  fs::path outside() const { return fs::path(share_.Path()) / "outside"; }
  std::string ShareText() const { return share().string() + "/"; }
  std::string Database() const { return database_.Path(); }

  // Every byte of every table file: the outside file's text must be in none of them.
  std::string AllTableBytes() const {
    std::string bytes;
    for (const auto& entry : fs::directory_iterator(Database())) bytes += store::testing::ReadBytes(entry.path());
    return bytes;
  }

  int Run(std::string* error = nullptr) {
    ChildRun run(ShareText(), Database());
    int code = run.Finish(std::chrono::seconds(30));
    if (error) *error = run.error_text();
    EXPECT_NE(code, -1) << "the run did not end within 30 seconds";
    return code;
  }

  TempFolder share_;
  TempFolder database_;
};

TEST_P(HostileShareTest, StopsOrHandlesItAndLosesNoGoodRow) {
  const HostileCase& hostile = GetParam();
  ASSERT_EQ(Run(), 0);
  std::vector<std::string> good = TableRows(Database(), "USERS", UsersColumns());
  ASSERT_EQ(good.size(), 6u);

  if (!hostile.add(share(), outside())) GTEST_SKIP() << "this system does not let the test make the entry";
  std::string error;
  int code = Run(&error);
  std::vector<std::string> rows = TableRows(Database(), "USERS", UsersColumns());
  if (hostile.message.empty()) {
    EXPECT_EQ(code, 0) << error;
    std::vector<std::string> hosts = TableRows(Database(), "USERS", {"HOST"});
    for (const std::string& host : hostile.added_hosts) EXPECT_THAT(hosts, ::testing::Contains(host));
  } else {
    std::string expected = hostile.message;
    if (size_t at = expected.find('%'); at != std::string::npos) expected.replace(at, 1, share().string());
    EXPECT_EQ(code, 1);
    EXPECT_EQ(error, expected);
  }
  for (const std::string& row : good) EXPECT_THAT(rows, ::testing::Contains(row)) << "a good row was lost";
  EXPECT_EQ(AllTableBytes().find(kSecret), std::string::npos) << "text from outside the share reached a table";

  fs::remove_all(share() / hostile.entry);
  if (hostile.entry.starts_with("GOOD-")) WriteFile(share() / hostile.entry, InfoFile());
  ASSERT_EQ(Run(&error), 0) << error;
  std::vector<std::string> after = TableRows(Database(), "USERS", UsersColumns());
  for (const std::string& row : good) EXPECT_THAT(after, ::testing::Contains(row));
}

INSTANTIATE_TEST_SUITE_P(Entries, HostileShareTest, ::testing::ValuesIn(Cases()), testing_support::CaseName);

}  // namespace
}  // namespace app
