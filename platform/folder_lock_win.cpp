#include <windows.h>

#include <string>

#include "platform/folder_lock.h"

namespace platform {

FolderLock::FolderLock(const common::Text& folder) {
  common::Text name = folder + kFolderLockName;
  std::wstring path(name.begin(), name.end());
  if (path.find(L'\0') != std::wstring::npos) return;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  OVERLAPPED whole{};
  if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
    DWORD error = GetLastError();
    CloseHandle(file);
    if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING) {
      throw FolderInUse(folder);
    }
    return;  // a file system without locks: nothing to hold
  }
  handle_ = reinterpret_cast<intptr_t>(file);
}

FolderLock::~FolderLock() {
  // Closing the handle releases the lock.
  if (handle_ >= 0) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace platform
