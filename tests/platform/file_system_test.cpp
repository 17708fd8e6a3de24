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
using testing::Optional;
using testing::StartsWith;
using testing::StrEq;
using testing::ThrowsMessage;
using testing::UnorderedElementsAre;

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
  std::string Quoted(const std::filesystem::path& name) const {
    return "\"" + common::ToUtf8(folder_.PathOf(name)) + "\"";
  }
  // The message of a failure `what` on the file `name` for a file that is not there.
  std::string NotThere(const char* what, const char* name) const {
    return std::string(what) + " " + Quoted(name) + ". " + common::ToUtf8(testing_support::FileNotFoundText());
  }

  testing_support::TempFolder folder_;
};

TEST_F(FileSystemTest, CreateNewFileNeverReplacesAndLeavesNothingBeside) {
  Open()->CreateNewFile(u"users.dbf", "a table");
  EXPECT_THAT([&] { Open()->CreateNewFile(u"users.dbf", "another"); },
              ThrowsMessage<common::Error>(StartsWith("Cannot create file " + Quoted("users.dbf") + ". ")));
  EXPECT_EQ(ReadBytes(folder_.Native("users.dbf")), "a table");
  EXPECT_THAT(Names(), ElementsAre("users.dbf"));
}

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
              ThrowsMessage<CannotOpenFolder>(StrEq("Cannot open folder \"" + common::ToUtf8(missing) + "\". " +
                                                    common::ToUtf8(testing_support::FileNotFoundText()))));
  const common::Text file = folder_.Write("plain.txt");
  EXPECT_THAT([&] { testing_support::SystemFiles().OpenFolder(file); },
              ThrowsMessage<CannotOpenFolder>(
                  StrEq("Cannot open folder \"" + common::ToUtf8(file) + "\". It is not a folder")));
}

TEST_F(FileSystemTest, ReadForeignFileReadsEveryByteUpToItsLimit) {
  const std::string bytes("\xFF\xFE\x00\x00\r\n\xC6", 7);
  folder_.Write(u"ПК-1.txt", bytes);
  EXPECT_EQ(Open()->ReadForeignFile(u"ПК-1.txt", 7), bytes);
  EXPECT_THAT([&] { Open()->ReadForeignFile(u"ПК-1.txt", 6); },
              ThrowsMessage<common::Error>(
                  StrEq("Cannot open file " + Quoted(u"ПК-1.txt") + ". File too large (the limit is 6 bytes)")));
  EXPECT_THAT([&] { Open()->ReadForeignFile(u"absent.txt", 7); },
              ThrowsMessage<common::Error>(StrEq(NotThere("Cannot open file", "absent.txt"))));
}

TEST_F(FileSystemTest, ListGivesEveryEntryWithItsKind) {
  folder_.MakeFolder("DB");
  folder_.Write("users.dbf");
  std::vector<std::pair<std::string, EntryKind>> entries;
  for (const FolderEntry& entry : Open()->List()) entries.emplace_back(common::ToUtf8(entry.name), entry.kind);
  EXPECT_THAT(entries,
              UnorderedElementsAre(std::pair("DB", EntryKind::kFolder), std::pair("users.dbf", EntryKind::kFile)));
}

TEST_F(FileSystemTest, TableFileReadsAndWritesAtOffsets) {
  folder_.Write("t.dbf", "0123456789");
  std::unique_ptr<File> file = Open()->OpenTable(u"t.dbf");
  EXPECT_TRUE(file->writable());
  const FileIdentity before = file->Identity();
  EXPECT_EQ(file->WriteAt(10, "ab"), 2u);
  char read[5] = {};
  EXPECT_EQ(file->ReadAt(8, read, 5), 4u);
  EXPECT_EQ(std::string(read, 4), "89ab");
  EXPECT_EQ(file->ReadAt(12, read, 5), 0u);
  EXPECT_EQ(file->Identity().size, 12u);
  EXPECT_EQ(file->Identity().inode, before.inode);
  file->Sync();
  EXPECT_EQ(ReadBytes(folder_.Native("t.dbf")), "0123456789ab");
}

TEST_F(FileSystemTest, WhatIsNotThereIsNothingOrTheSystemsReason) {
  folder_.Write("t.dbf", "0123456789");
  folder_.MakeFolder("DB");
  std::unique_ptr<Folder> folder = Open();
  EXPECT_THAT(folder->SizeOf(u"t.dbf"), Optional(10u));
  EXPECT_EQ(folder->SizeOf(u"absent.dbf"), std::nullopt);
  EXPECT_EQ(folder->SizeOf(u"DB"), std::nullopt);
  EXPECT_THAT([&] { folder->OpenTable(u"absent.dbf"); },
              ThrowsMessage<common::Error>(StrEq(NotThere("Cannot open file", "absent.dbf"))));
  folder->Remove(u"t.dbf");
  EXPECT_THAT([&] { folder->Remove(u"t.dbf"); },
              ThrowsMessage<common::Error>(StrEq(NotThere("Cannot delete file", "t.dbf"))));
  EXPECT_THAT(Names(), ElementsAre("DB"));
}

// On POSIX an open folder stays the same folder when its path is renamed; on Windows, where files are
// found by the folder's path, nobody may rename it while it is open.
TEST_F(FileSystemTest, AnOpenFolderKeepsNamingTheSameFolder) {
  folder_.MakeFolder("DB");
  folder_.Write("DB/t.dbf", "table");
  std::unique_ptr<Folder> db = testing_support::SystemFiles().OpenFolder(folder_.PathOf("DB"));
  std::error_code error;
  std::filesystem::rename(folder_.Native("DB"), folder_.Native("moved"), error);
#ifdef _WIN32
  EXPECT_TRUE(error);
#else
  EXPECT_FALSE(error);
#endif
  EXPECT_EQ(db->ReadForeignFile(u"t.dbf", 10), "table");
}

// Each Folder's lock is its own holder, in one process as across processes.
TEST_F(FileSystemTest, LockIsHeldUntilItsFileGoes) {
  std::unique_ptr<File> first = Open()->LockFile(u"inventory.lock");
  ASSERT_NE(first, nullptr);
  EXPECT_THAT([&] { Open()->LockFile(u"inventory.lock"); },
              ThrowsMessage<common::Error>(StrEq("The database folder \"" + common::ToUtf8(folder_.Folder()) +
                                                 "\" is in use by another refresh run")));
  first.reset();
  EXPECT_NE(Open()->LockFile(u"inventory.lock"), nullptr);
  EXPECT_THAT(Names(), ElementsAre("inventory.lock"));
}

}  // namespace
}  // namespace platform
