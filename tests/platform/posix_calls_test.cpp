// The POSIX file system beneath the seam, with its system calls interrupted, failing or cut short
// through the replaceable table: what each call then does, or the one error it gives.
#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/file.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>

#include "common/error.h"
#include "platform/file_system.h"
#include "platform/posix_calls.h"
#include "tests/support/dbf_files.h"
#include "tests/support/posix_calls_override.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using testing_support::CutShort;
using testing_support::FailNth;

struct CallCase {
  const char* label;
  std::function<void(posix::Calls&)> replace;
  // What the call gives: its answer, or the message it throws.
  std::function<std::string(Folder&)> call;
  std::string expected;  // "{F}" stands for the folder's path
};

void PrintTo(const CallCase& param, std::ostream* out) { *out << param.label; }
std::string Label(const testing::TestParamInfo<CallCase>& info) { return info.param.label; }

// Every name in the folder, hidden ones too, in name order, and the file `name`'s bytes.
std::string Contents(Folder& folder, const char16_t* name) {
  std::vector<std::string> names;
  for (const FolderEntry& entry : folder.List()) names.push_back(common::ToUtf8(entry.name));
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& each : names) text += each + " ";
  std::unique_ptr<File> file = folder.OpenTable(name);
  std::string bytes(64, '\0');
  bytes.resize(file->ReadAt(0, bytes.data(), bytes.size()));
  return text + "| " + bytes;
}

std::string ReadTable(Folder& folder) {
  std::string bytes(4, '\0');
  bytes.resize(folder.OpenTable(u"t.dbf")->ReadAt(2, bytes.data(), bytes.size()));
  return bytes;
}

std::string CreateNew(Folder& folder) {
  folder.CreateNewFile(u"new.dbf", "fresh table");
  return Contents(folder, u"new.dbf");
}

std::string Lock(Folder& folder) { return folder.LockFile(u"inventory.lock") ? "locked" : "no lock"; }
std::string Size(Folder& folder) { return std::to_string(folder.SizeOf(u"t.dbf").value_or(99)); }
std::string SyncFolder(Folder& folder) {
  folder.Sync();
  return "synced";
}

// A file system that can neither rename without replacing nor link.
void NeitherRenameNorLink(posix::Calls& calls) {
  FailNth(calls.renameat2, 1, EINVAL);
  FailNth(calls.linkat, 1, EPERM);
}

class PosixCallsTest : public testing::TestWithParam<CallCase> {
 protected:
  testing_support::RealCallsAfterwards restore_;
};

TEST_P(PosixCallsTest, GiveTheSeamsAnswer) {
  testing_support::TempFolder root;
  root.Write("t.dbf", "0123456789");
  std::unique_ptr<Folder> folder = testing_support::SystemFiles().OpenFolder(root.Folder());
  GetParam().replace(posix::SystemCalls());
  std::string got;
  try {
    got = GetParam().call(*folder);
  } catch (const common::Error& error) {
    got = common::ToUtf8(error.message());
  }
  std::string expected = GetParam().expected;
  for (size_t at; (at = expected.find("{F}")) != std::string::npos;) expected.replace(at, 3, root.Path());
  EXPECT_EQ(got, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Interrupted, PosixCallsTest,
    testing::Values(CallCase{"OpenFolder", [](posix::Calls& c) { FailNth(c.open, 1, EINTR); },
                             [](Folder& f) { return ReadTable(*testing_support::SystemFiles().OpenFolder(f.path())); },
                             "2345"},
                    CallCase{"OpenTable", [](posix::Calls& c) { FailNth(c.openat, 1, EINTR); }, ReadTable, "2345"},
                    CallCase{"ReadAt", [](posix::Calls& c) { FailNth(c.pread, 1, EINTR); }, ReadTable, "2345"},
                    CallCase{"WriteAt", [](posix::Calls& c) { FailNth(c.pwrite, 1, EINTR); },
                             [](Folder& f) {
                               f.OpenTable(u"t.dbf")->WriteAt(8, "ab");
                               return Contents(f, u"t.dbf");
                             },
                             "t.dbf | 01234567ab"},
                    CallCase{"ReadForeignFile", [](posix::Calls& c) { FailNth(c.read, 1, EINTR); },
                             [](Folder& f) { return f.ReadForeignFile(u"t.dbf", 100); }, "0123456789"},
                    CallCase{"LockFile", [](posix::Calls& c) { FailNth(c.flock, 1, EINTR); }, Lock, "locked"},
                    CallCase{"Sync", [](posix::Calls& c) { FailNth(c.fsync, 1, EINTR); },
                             [](Folder& f) {
                               f.OpenTable(u"t.dbf")->Sync();
                               f.Sync();
                               return "synced";
                             },
                             "synced"},
                    CallCase{"RandomName", [](posix::Calls& c) { FailNth(c.getrandom, 1, EINTR); }, CreateNew,
                             "new.dbf t.dbf | fresh table"}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    CutShort, PosixCallsTest,
    testing::Values(CallCase{"ReadForeignFile", [](posix::Calls& c) { CutShort(c.read, 3); },
                             [](Folder& f) { return f.ReadForeignFile(u"t.dbf", 100); }, "0123456789"},
                    CallCase{"CreateNewFile", [](posix::Calls& c) { CutShort(c.pwrite, 3); }, CreateNew,
                             "new.dbf t.dbf | fresh table"},
                    CallCase{"ReplaceFile", [](posix::Calls& c) { CutShort(c.pwrite, 3); },
                             [](Folder& f) {
                               f.ReplaceFile(u"t.dbf", "new bytes");
                               return Contents(f, u"t.dbf");
                             },
                             "t.dbf | new bytes"},
                    CallCase{"NothingWritten", [](posix::Calls& c) { CutShort(c.pwrite, 0); },
                             [](Folder& f) { return std::to_string(f.OpenTable(u"t.dbf")->WriteAt(0, "ab")); },
                             "Cannot write file \"{F}t.dbf\". No space left on device"}),
    Label);

// Where the file system can neither rename without replacing nor link (an SMB share through FUSE).
INSTANTIATE_TEST_SUITE_P(CreateNewFileFallback, PosixCallsTest,
                         testing::Values(CallCase{"ToALink", [](posix::Calls& c) { FailNth(c.renameat2, 1, EINVAL); },
                                                  CreateNew, "new.dbf t.dbf | fresh table"},
                                         CallCase{"ToAnExclusiveClaim", NeitherRenameNorLink, CreateNew,
                                                  "new.dbf t.dbf | fresh table"},
                                         CallCase{"ToAClaimThatCannotBeRenamedOver",
                                                  [](posix::Calls& c) {
                                                    FailNth(c.renameat2, 1, ENOSYS);
                                                    FailNth(c.linkat, 1, EOPNOTSUPP);
                                                    FailNth(c.renameat, 1, EEXIST);
                                                  },
                                                  CreateNew, "new.dbf t.dbf | fresh table"},
                                         CallCase{"ToAClaimOfATakenName", NeitherRenameNorLink,
                                                  [](Folder& f) {
                                                    try {
                                                      f.CreateNewFile(u"t.dbf", "other");
                                                    } catch (const common::Error& error) {
                                                      return common::ToUtf8(error.message()) + " / " +
                                                             Contents(f, u"t.dbf");
                                                    }
                                                    return std::string("created");
                                                  },
                                                  "Cannot create file \"{F}t.dbf\". File exists / t.dbf | 0123456789"}),
                         Label);

INSTANTIATE_TEST_SUITE_P(
    Failing, PosixCallsTest,
    testing::Values(CallCase{"LockHeldElsewhere", [](posix::Calls& c) { FailNth(c.flock, 1, EWOULDBLOCK); }, Lock,
                             "The database folder \"{F}\" is in use by another refresh run"},
                    CallCase{"NoLocksHere", [](posix::Calls& c) { FailNth(c.flock, 1, ENOLCK); }, Lock, "no lock"},
                    CallCase{"LockFileCannotBeCreated", [](posix::Calls& c) { FailNth(c.openat, 1, EROFS); }, Lock,
                             "Cannot lock file \"{F}inventory.lock\". Read-only file system"},
                    CallCase{"SizeCannotBeLookedAt", [](posix::Calls& c) { FailNth(c.fstatat, 1, EACCES); }, Size,
                             "Cannot read file \"{F}t.dbf\". Permission denied"},
                    CallCase{"SizeOfWhatIsNotThere", [](posix::Calls& c) { FailNth(c.fstatat, 1, ENOTDIR); }, Size,
                             "99"},
                    CallCase{"ForeignFileCannotBeRead", [](posix::Calls& c) { FailNth(c.read, 1, EIO); },
                             [](Folder& f) { return f.ReadForeignFile(u"t.dbf", 100); },
                             "Cannot read file \"{F}t.dbf\". Input/output error"},
                    CallCase{"ListingBreaksOff", [](posix::Calls& c) { FailNth(c.readdir, 2, EIO); },
                             [](Folder& f) { return std::to_string(f.List().size()); },
                             "Cannot list folder \"{F}\". Input/output error"},
                    CallCase{"FolderThatCannotBeFlushed", [](posix::Calls& c) { FailNth(c.fsync, 1, EINVAL); },
                             SyncFolder, "synced"},
                    CallCase{"FolderFlushFails", [](posix::Calls& c) { FailNth(c.fsync, 1, EIO); }, SyncFolder,
                             "Cannot flush folder \"{F}\". Input/output error"}),
    Label);

}  // namespace
}  // namespace platform
