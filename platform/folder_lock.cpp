#include "platform/folder_lock.h"

namespace platform {

FolderLock::FolderLock(FileSystem& files, const common::Text& folder) {
  if (std::unique_ptr<Folder> opened = files.OpenFolder(folder)) file_ = opened->LockFile(kFolderLockName);
}

}  // namespace platform
