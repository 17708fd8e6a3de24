#pragma once

#include <memory>

#include "common/text.h"
#include "platform/file_system.h"

namespace platform {

// The name of the lock file in the database folder. No dBase tool reads a file of this name.
inline constexpr char16_t kFolderLockName[] = u"inventory.lock";

// Keeps other refresh runs (in this or another process, on this or another machine that honours the
// file system's locks) out of a database folder while one runs: an exclusive advisory lock on the file
// kFolderLockName there (Folder::LockFile), taken without waiting and held for the object's lifetime.
// The lock goes with the process: a run that is killed leaves nothing to clean up. The file itself is
// left in place. How far the lock reaches is the file system's: on an SMB share mounted through FUSE
// (smbnetfs) the kernel keeps it, so runs on this machine see it and runs on other machines do not.
//
// When the folder cannot be opened (missing, unreachable), no lock is taken and nothing is thrown: the
// database work that follows reports the folder's problem in its own words. A lock file that can be
// neither opened nor created in a folder that opens is no reason to run unguarded: that throws.
class FolderLock {
 public:
  // `folder` ends in a path separator. Throws common::Error
  // "The database folder "<folder>" is in use by another refresh run" when another holder has it,
  // platform::CannotLockFile ("Cannot lock file "<folder>inventory.lock". <reason>") for any other
  // failure.
  FolderLock(FileSystem& files, const common::Text& folder);

  bool held() const { return file_ != nullptr; }

 private:
  std::unique_ptr<File> file_;
};

}  // namespace platform
