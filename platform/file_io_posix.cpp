#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/file_io.h"

namespace platform {

namespace {

int64_t Nanoseconds(const timespec& time) { return int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec; }

FileIdentity IdentityFrom(const struct stat& info) {
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                      static_cast<uint64_t>(info.st_size), Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

}  // namespace

std::filesystem::path TextToFsPath(common::TextView text) { return std::filesystem::path(common::TextToPath(text)); }

common::Text FsPathToText(const std::filesystem::path& path) { return common::PathToText(path.native()); }

int AccessDeniedCode() { return EACCES; }

int DiskFullCode() { return ENOSPC; }

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return IdentityFrom(info);
}

PathKind KindOf(const std::filesystem::path& path, int& error) {
  error = 0;
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = errno;
    return PathKind::kMissing;
  }
  return S_ISDIR(info.st_mode) ? PathKind::kFolder : PathKind::kFile;
}

bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (const dirent* entry = ::readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    // The entry's own type when stat cannot tell (a dangling link, a name removed meanwhile).
    struct stat info {};
    bool folder_entry = ::stat((folder / entry->d_name).c_str(), &info) == 0 ? S_ISDIR(info.st_mode) : entry->d_type == DT_DIR;
    entries.push_back(FolderEntry{std::filesystem::path(entry->d_name), folder_entry});
  }
  ::closedir(dir);
  return true;
}

namespace {

// The file system does not offer renaming without replacing (renameat2 with RENAME_NOREPLACE), or
// hard links: an SMB share mounted through FUSE offers neither.
bool RenameNoReplaceUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }
bool LinkUnsupported(int error) { return error == EPERM || error == ENOSYS || error == EOPNOTSUPP; }

// Moves the complete file `aside` to `path`, where this process has just created an empty file
// exclusively. A plain rename replaces that claim; where the system refuses to rename over an
// existing file, the claim is removed first.
int MoveOverOwnClaim(const std::filesystem::path& aside, const std::filesystem::path& path) {
  if (::rename(aside.c_str(), path.c_str()) == 0) return 0;
  if (::unlink(path.c_str()) != 0) return errno;
  return ::rename(aside.c_str(), path.c_str()) == 0 ? 0 : errno;
}

}  // namespace

int CreateNewFile(const std::filesystem::path& path, std::string_view bytes, bool& in_writing) {
  in_writing = false;
  std::string aside_name(1, '.');
  aside_name.append(path.filename().string()).append(".").append(std::to_string(::getpid())).append(".new");
  std::filesystem::path aside = path.parent_path() / aside_name;
  int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  ssize_t written = ::write(fd, bytes.data(), bytes.size());
  int write_error = errno;
  ::close(fd);
  if (written != static_cast<ssize_t>(bytes.size())) {
    ::unlink(aside.c_str());
    in_writing = true;
    return written < 0 ? write_error : ENOSPC;
  }
  // The file appears complete or not at all, and an existing file is never replaced.
  if (::renameat2(AT_FDCWD, aside.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0) return 0;
  int error = errno;
  if (RenameNoReplaceUnsupported(error)) {
    error = ::link(aside.c_str(), path.c_str()) == 0 ? 0 : errno;
    if (LinkUnsupported(error)) {
      // Neither: the name is claimed by an exclusive create, which fails when anything is there, and
      // the complete file then takes the place of the empty claim. A process killed between the two
      // leaves an empty file under the name. No other refresh run comes between them: the caller
      // holds the database folder's lock.
      int claim = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (claim < 0) {
        error = errno;
      } else {
        ::close(claim);
        error = MoveOverOwnClaim(aside, path);
        if (error == 0) return 0;
      }
    }
  }
  ::unlink(aside.c_str());
  return error;
}

int RemoveFile(const std::filesystem::path& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

RandomAccessFile::~RandomAccessFile() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

int RandomAccessFile::Open(const std::filesystem::path& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  writable_ = true;
  if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    writable_ = false;
  }
  if (fd < 0) return errno;
  handle_ = fd;
  return 0;
}

int RandomAccessFile::Identity(FileIdentity& identity) const {
  struct stat info {};
  if (::fstat(static_cast<int>(handle_), &info) != 0) return errno;
  identity = IdentityFrom(info);
  return 0;
}

int64_t RandomAccessFile::ReadAt(uint64_t offset, char* data, size_t length, int& error) const {
  for (;;) {
    ssize_t n = ::pread(static_cast<int>(handle_), data, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    return n;
  }
}

int64_t RandomAccessFile::WriteAt(uint64_t offset, const char* data, size_t length, int& error) {
  for (;;) {
    ssize_t n = ::pwrite(static_cast<int>(handle_), data, length, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    return n;
  }
}

}  // namespace platform
