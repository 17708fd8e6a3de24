#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_sync.h"

namespace platform {

namespace {

// fsync through a descriptor of our own: the kernel writes back every dirty page of the file, whatever
// descriptor wrote it. Links are followed, as the engine follows them when it opens a table.
int SyncPath(const std::filesystem::path& path, int flags) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | flags);
  if (fd < 0) return errno;
  int result = 0;
  while (::fsync(fd) != 0) {
    if (errno == EINTR) continue;
    // A file system that cannot flush a folder says so with EINVAL: nothing more can be done there.
    if ((flags & O_DIRECTORY) == 0 || errno != EINVAL) result = errno;
    break;
  }
  ::close(fd);
  return result;
}

class SystemSync : public FileSync {
 public:
  int SyncFile(const std::filesystem::path& path) override { return SyncPath(path, 0); }
  int SyncFolder(const std::filesystem::path& folder) override { return SyncPath(folder, O_DIRECTORY); }
};

}  // namespace

FileSync& SystemFileSync() {
  static SystemSync sync;
  return sync;
}

}  // namespace platform
