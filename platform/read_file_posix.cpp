#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "common/error.h"
#include "platform/read_file.h"
#include "platform/system_error.h"

namespace platform {

namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

[[noreturn]] void Fail(const common::Text& path, int code) {
  throw common::CannotOpenFile(path, SystemErrorText(code));
}

[[noreturn]] void FailNotRegular(const common::Text& path, mode_t mode) {
  if (S_ISDIR(mode)) Fail(path, EISDIR);
  throw common::CannotOpenFile(path, u"Not a regular file");
}

[[noreturn]] void FailTooLarge(const common::Text& path, size_t max_size) {
  throw common::CannotOpenFile(path, common::FromUtf8("File too large (the limit is " + std::to_string(max_size) +
                                                     " bytes)"));
}

std::string NativePath(const common::Text& path) {
  std::string native = common::TextToPath(path);
  // A name cannot hold a NUL byte; open() would silently cut it there and open another file.
  if (native.find('\0') != std::string::npos) Fail(path, EINVAL);
  return native;
}

}  // namespace

std::string ReadRegularFile(const common::Text& path, size_t max_size) {
  const std::string native = NativePath(path);

  // Look before opening, so that a device is never opened at all (opening some devices has effects).
  struct stat before;
  if (::lstat(native.c_str(), &before) != 0) Fail(path, errno);
  if (S_ISLNK(before.st_mode)) Fail(path, ELOOP);
  if (!S_ISREG(before.st_mode)) FailNotRegular(path, before.st_mode);
  if (static_cast<unsigned long long>(before.st_size) > max_size) FailTooLarge(path, max_size);

  // The entry may be swapped between the look and the open: O_NOFOLLOW refuses a link, O_NONBLOCK
  // keeps a FIFO from blocking, and the descriptor is checked again.
  int fd;
  do {
    fd = ::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) Fail(path, errno);
  FileDescriptor file(fd);

  struct stat opened;
  if (::fstat(fd, &opened) != 0) Fail(path, errno);
  if (!S_ISREG(opened.st_mode)) FailNotRegular(path, opened.st_mode);
  if (static_cast<unsigned long long>(opened.st_size) > max_size) FailTooLarge(path, max_size);

  // A writer that announces itself with an exclusive lock keeps the file from being read half
  // written. File systems without flock support are read without the check.
  if (::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) Fail(path, errno);

  // Read at most one byte past the limit: the file may grow after fstat.
  std::string bytes;
  bytes.resize(static_cast<size_t>(opened.st_size) + 1);
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (bytes.size() > max_size) FailTooLarge(path, max_size);
      bytes.resize(std::min(bytes.size() * 2, max_size + 1));
    }
    size_t wanted = bytes.size() - used;
    ssize_t n = ::read(fd, bytes.data() + used, wanted);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(path, errno);
    }
    if (n == 0) break;
    used += static_cast<size_t>(n);
    // A short read that reaches the size fstat gave is the end: no second read to hear it again.
    // (A network file system may also cut a read short before the end; then reading goes on.)
    if (static_cast<size_t>(n) < wanted && used >= static_cast<size_t>(opened.st_size)) break;
  }
  bytes.resize(used);
  return bytes;
}

bool FileExists(const common::Text& path) {
  std::string native = common::TextToPath(path);
  if (native.find('\0') != std::string::npos) return false;
  struct stat info;
  if (::lstat(native.c_str(), &info) == 0) return !S_ISDIR(info.st_mode);
  if (errno == ENOENT || errno == ENOTDIR) return false;
  Fail(path, errno);
}

}  // namespace platform
