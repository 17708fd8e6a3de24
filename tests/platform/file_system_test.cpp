// The file-system seam's contract, held against the system's own file system on POSIX and on Windows:
// what each call does, and the one error each failure gives, with the system's reason.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "common/error.h"
#include "platform/file_system.h"
#include "tests/support/dbf_files.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using store::testing::ReadBytes;
using testing::ElementsAre;
using testing::StrEq;
using testing::ThrowsMessage;

class FileSystemTest : public testing::Test {
 protected:
  std::unique_ptr<Folder> Open() { return testing_support::SystemFiles().OpenFolder(folder_.Folder()); }
  // The names in the folder, hidden ones too.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }
  std::string Quoted(const char* name) const { return "\"" + common::ToUtf8(folder_.PathOf(name)) + "\""; }

  testing_support::TempFolder folder_;
};

TEST_F(FileSystemTest, ReplaceFileTakesThePlaceOfTheFileAndLeavesNothingBeside) {
  folder_.Write("report.html", "old page");
  Open()->ReplaceFile(u"report.html", "new page");
  EXPECT_EQ(ReadBytes(folder_.Native("report.html")), "new page");
  EXPECT_THAT(Names(), ElementsAre("report.html"));
  Open()->ReplaceFile(u"hosts.csv", "a;b\r\n");
  EXPECT_EQ(ReadBytes(folder_.Native("hosts.csv")), "a;b\r\n");
}

TEST_F(FileSystemTest, ReplaceFileThatFailsLeavesWhatWasThere) {
  folder_.MakeFolder("report.html");
  folder_.Write("report.html/index", "kept");
  EXPECT_THAT([&] { Open()->ReplaceFile(u"report.html", "new page"); },
              ThrowsMessage<common::Error>(testing::StartsWith("Cannot create file " + Quoted("report.html") + ". ")));
  EXPECT_EQ(ReadBytes(folder_.Native("report.html/index")), "kept");
  EXPECT_THAT(Names(), ElementsAre("report.html"));
}

TEST_F(FileSystemTest, OpenFolderThrowsWithTheSystemsReason) {
  const common::Text missing = folder_.Folder() + u"missing";
  EXPECT_THAT([&] { testing_support::SystemFiles().OpenFolder(missing); },
              ThrowsMessage<CannotOpenFolder>(
                  StrEq("Cannot open folder \"" + common::ToUtf8(missing) + "\". " +
                        common::ToUtf8(testing_support::FileNotFoundText()))));
  const common::Text file = folder_.Write("plain.txt");
  EXPECT_THAT([&] { testing_support::SystemFiles().OpenFolder(file); },
              ThrowsMessage<CannotOpenFolder>(
                  StrEq("Cannot open folder \"" + common::ToUtf8(file) + "\". It is not a folder")));
}

}  // namespace
}  // namespace platform
