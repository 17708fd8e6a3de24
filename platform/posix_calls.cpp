#include "platform/posix_calls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

namespace platform::posix {

Calls RealCalls() {
  Calls calls;
  calls.open = [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); };
  calls.openat = [](int folder, const char* name, int flags, mode_t mode) {
    return ::openat(folder, name, flags, mode);
  };
  calls.close = ::close;
  calls.pread = ::pread;
  calls.pwrite = ::pwrite;
  calls.read = ::read;
  calls.fstat = [](int fd, struct stat* info) { return ::fstat(fd, info); };
  calls.fstatat = ::fstatat;
  calls.stat = [](const char* path, struct stat* info) { return ::stat(path, info); };
  calls.readdir = ::readdir;
  calls.flock = ::flock;
  calls.fsync = ::fsync;
  calls.renameat2 = ::renameat2;
  calls.renameat = ::renameat;
  calls.linkat = ::linkat;
  calls.unlinkat = ::unlinkat;
  calls.getrandom = ::getrandom;
  return calls;
}

Calls& SystemCalls() {
  static Calls calls = RealCalls();
  return calls;
}

}  // namespace platform::posix
