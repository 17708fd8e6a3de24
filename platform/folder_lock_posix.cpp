#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/folder_lock.h"

namespace platform {

FolderLock::FolderLock(const common::Text& folder) {
  std::string path = common::TextToPath(folder + kFolderLockName);
  if (path.find('\0') != std::string::npos) return;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return;
  int result;
  do {
    result = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    int error = errno;
    ::close(fd);
    if (error == EWOULDBLOCK) throw FolderInUse(folder);
    return;  // a file system without locks: nothing to hold
  }
  handle_ = fd;
}

FolderLock::~FolderLock() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));  // closing the last descriptor releases the lock
}

}  // namespace platform
