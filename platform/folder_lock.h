#pragma once

#include <cstdint>

#include "common/error.h"
#include "common/text.h"

namespace platform {

// The name of the lock file in the database folder. No dBase tool reads a file of this name.
inline constexpr char16_t kFolderLockName[] = u"inventory.lock";

// Keeps other refresh runs (in this or another process, on this or another machine that honours the
// file system's locks) out of a database folder while one runs: an exclusive advisory lock on the file
// kFolderLockName there, taken without waiting and held for the object's lifetime. The lock goes with
// the process: a run that is killed leaves nothing to clean up. The file itself is left in place.
// How far the lock reaches is the file system's: on an SMB share mounted through FUSE (smbnetfs) the
// kernel keeps it, so runs on this machine see it and runs on other machines do not.
//
// When the lock file cannot be created at all (the folder is missing, unreachable or read-only), no
// lock is taken and nothing is thrown: the database work that follows reports the folder's problem
// in its own words.
class FolderLock {
 public:
  // `folder` ends in a path separator. Throws common::Error
  // "The database folder "<folder>" is in use by another refresh run" when another holder has it.
  explicit FolderLock(const common::Text& folder);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  bool held() const { return handle_ >= 0; }

 private:
  intptr_t handle_ = -1;  // a descriptor on POSIX, a HANDLE on Windows
};

// "The database folder "%s" is in use by another refresh run".
inline common::Error FolderInUse(const common::Text& folder) {
  return common::Error(u"The database folder \"" + folder + u"\" is in use by another refresh run");
}

}  // namespace platform
