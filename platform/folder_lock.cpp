#include "platform/folder_lock.h"

namespace platform {

FolderLock::FolderLock(FileSystem& files, const common::Text& folder) {
  std::unique_ptr<Folder> opened;
  try {
    opened = files.OpenFolder(folder);
  } catch (const CannotOpenFolder&) {
    return;
  }
  file_ = opened->LockFile(kFolderLockName);
}

}  // namespace platform
