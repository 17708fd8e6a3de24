// Links that anyone on the share may plant in the database folder: every call that opens, creates,
// replaces or removes a file there leaves the link's target byte for byte as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "common/error.h"
#include "platform/file_system.h"
#include "tests/support/dbf_files.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using store::testing::ReadBytes;

struct LinkCase {
  const char* label;
  std::string link;  // the link's name in the folder
  bool to_folder;    // the link names a folder (holding one file) instead of a file
  std::function<void(Folder&)> call;
  // How the call fails: "<failure> "<the link's path>". Too many levels of symbolic links"; nullptr when
  // it succeeds.
  const char* failure;
};

void PrintTo(const LinkCase& param, std::ostream* out) { *out << param.label; }

class PlantedLinkTest : public testing::TestWithParam<LinkCase> {};

TEST_P(PlantedLinkTest, LeavesTheTargetAsItWas) {
  const LinkCase& param = GetParam();
  testing_support::TempFolder root;
  root.MakeFolder("DB");
  root.MakeFolder("outside");
  const fs::path target = root.Native(param.to_folder ? "outside" : "outside/secret");
  root.Write("outside/secret", "the target's bytes");
  fs::create_symlink(target, root.Native("DB") / param.link);
  std::unique_ptr<Folder> folder = testing_support::SystemFiles().OpenFolder(root.PathOf("DB"));

  if (param.failure == nullptr) {
    param.call(*folder);
  } else {
    EXPECT_THAT(
        [&] { param.call(*folder); },
        testing::ThrowsMessage<common::Error>(testing::StrEq(std::string(param.failure) + " \"" + root.Path() + "DB/" +
                                                             param.link + "\". Too many levels of symbolic links")));
  }
  EXPECT_EQ(ReadBytes(root.Native("outside/secret")), "the target's bytes");
  EXPECT_EQ(std::distance(fs::directory_iterator(root.Native("outside")), fs::directory_iterator()), 1);
}

// CreateNewFile's hidden file once had this name; a link planted there is never written through.
std::string FormerHiddenName() { return ".users.dbf." + std::to_string(::getpid()) + ".new"; }

INSTANTIATE_TEST_SUITE_P(Calls, PlantedLinkTest,
                         testing::Values(LinkCase{"TableToAFile", "users.dbf", false,
                                                  [](Folder& f) { f.OpenTable(u"users.dbf"); }, "Cannot open file"},
                                         LinkCase{"TableToAFolder", "users.dbf", true,
                                                  [](Folder& f) { f.OpenTable(u"users.dbf"); }, "Cannot open file"},
                                         LinkCase{"LockFile", "inventory.lock", false,
                                                  [](Folder& f) { f.LockFile(u"inventory.lock"); }, "Cannot lock file"},
                                         LinkCase{"HiddenNameOfANewTable", FormerHiddenName(), false,
                                                  [](Folder& f) {
                                                    f.CreateNewFile(u"users.dbf", "new table");
                                                    EXPECT_EQ(f.SizeOf(u"users.dbf"), 9u);
                                                  },
                                                  nullptr},
                                         LinkCase{"ReplacedFile", "report.html", false,
                                                  [](Folder& f) {
                                                    f.ReplaceFile(u"report.html", "new page");
                                                    EXPECT_EQ(f.SizeOf(u"report.html"), 8u);
                                                    EXPECT_EQ(f.List().at(0).kind, EntryKind::kFile);
                                                  },
                                                  nullptr},
                                         LinkCase{"DroppedTableToAFolder", "users.dbf", true,
                                                  [](Folder& f) {
                                                    f.Remove(u"users.dbf");
                                                    EXPECT_EQ(f.SizeOf(u"users.dbf"), std::nullopt);
                                                  },
                                                  nullptr}),
                         [](const testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace platform
