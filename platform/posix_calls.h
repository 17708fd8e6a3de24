#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <functional>

// The system calls beneath the POSIX file system, each reached through one replaceable table (SQLite's
// aSyscall[] is the model), so that a test can make any of them fail, return early or be interrupted
// without root or a server (tests/support/posix_calls_override.h). Only platform/file_system_posix.cpp
// and those tests include this header. The entries have the calls' own contracts: -1 (or nullptr)
// with errno set on failure.
namespace platform::posix {

struct Calls {
  std::function<int(const char* path, int flags, mode_t mode)> open;
  std::function<int(int folder, const char* name, int flags, mode_t mode)> openat;
  std::function<int(int fd)> close;
  std::function<ssize_t(int fd, void* data, size_t length, off_t offset)> pread;
  std::function<ssize_t(int fd, const void* data, size_t length, off_t offset)> pwrite;
  std::function<ssize_t(int fd, void* data, size_t length)> read;
  std::function<int(int fd, struct stat* info)> fstat;
  std::function<int(int folder, const char* name, struct stat* info, int flags)> fstatat;
  std::function<int(const char* path, struct stat* info)> stat;
  std::function<dirent*(DIR* dir)> readdir;
  std::function<int(int fd, int operation)> flock;
  std::function<int(int fd)> fsync;
  std::function<int(int from_folder, const char* from, int to_folder, const char* to, unsigned flags)> renameat2;
  std::function<int(int from_folder, const char* from, int to_folder, const char* to)> renameat;
  std::function<int(int from_folder, const char* from, int to_folder, const char* to, int flags)> linkat;
  std::function<int(int folder, const char* name, int flags)> unlinkat;
  std::function<ssize_t(void* data, size_t length, unsigned flags)> getrandom;
};

// The system's own calls.
Calls RealCalls();

// The table in use: RealCalls() until a test replaces entries. Replaced only while no other thread
// uses the file system.
Calls& SystemCalls();

}  // namespace platform::posix
