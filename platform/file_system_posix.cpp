#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "platform/file_system.h"
#include "platform/posix_calls.h"
#include "platform/system_error.h"

namespace platform {

namespace {

// Every system call goes through the replaceable table.
posix::Calls& Sys() { return posix::SystemCalls(); }

int64_t Nanoseconds(const timespec& time) { return int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec; }

FileIdentity IdentityFrom(const struct stat& info) {
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                      static_cast<uint64_t>(info.st_size), Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
}

// A name relative to a folder, without NUL (the system would cut the name there and open another
// file): EINVAL otherwise. No name at all names the folder itself: EISDIR.
int NativeName(const common::Text& name, std::string& native) {
  native = common::TextToPath(name);
  if (native.empty()) return EISDIR;
  if (native.find('\0') != std::string::npos) return EINVAL;
  return 0;
}

// The file system does not offer renaming without replacing (renameat2 with RENAME_NOREPLACE), or
// hard links: an SMB share mounted through FUSE offers neither.
bool RenameNoReplaceUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }
bool LinkUnsupported(int error) { return error == EPERM || error == ENOSYS || error == EOPNOTSUPP; }

template <typename Call>
auto Retry(Call call) {
  for (;;) {
    auto result = call();
    if (result >= 0 || errno != EINTR) return result;
  }
}

// Sixteen hex digits from the system's random source, appended to `name`: a hidden file's name that
// nobody else on the share can guess and plant a link under beforehand. The system's error code, or 0.
int AppendUnpredictable(std::string& name) {
  unsigned char random[8];
  for (size_t got = 0; got < sizeof random;) {
    ssize_t n = Retry([&] { return Sys().getrandom(random + got, sizeof random - got, 0); });
    if (n < 0) return errno;
    got += static_cast<size_t>(n);
  }
  static constexpr char kHex[] = "0123456789abcdef";
  for (unsigned char byte : random) {
    name += kHex[byte >> 4];
    name += kHex[byte & 15];
  }
  return 0;
}

class PosixFile : public File {
 public:
  PosixFile(int fd, common::Text path, bool writable) : fd_(fd), path_(std::move(path)), writable_(writable) {}
  ~PosixFile() override { Sys().close(fd_); }

  const common::Text& path() const override { return path_; }
  bool writable() const override { return writable_; }

  FileIdentity Identity() override {
    struct stat info {};
    if (Sys().fstat(fd_, &info) != 0) throw CannotReadFile(path_, SystemErrorText(errno));
    return IdentityFrom(info);
  }

  size_t ReadAt(uint64_t offset, char* data, size_t length) override {
    ssize_t n = Retry([&] { return Sys().pread(fd_, data, length, static_cast<off_t>(offset)); });
    if (n < 0) throw CannotReadFile(path_, SystemErrorText(errno));
    return static_cast<size_t>(n);
  }

  size_t WriteAt(uint64_t offset, std::string_view bytes) override {
    if (!writable_) throw CannotWriteFile(path_, SystemErrorText(EACCES));
    if (bytes.empty()) return 0;
    ssize_t n = Retry([&] { return Sys().pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)); });
    if (n < 0) throw CannotWriteFile(path_, SystemErrorText(errno));
    if (n == 0) throw CannotWriteFile(path_, SystemErrorText(ENOSPC));
    return static_cast<size_t>(n);
  }

  void Sync() override {
    if (Retry([&] { return Sys().fsync(fd_); }) != 0) throw CannotFlushFile(path_, SystemErrorText(errno));
  }

  int fd() const { return fd_; }

 private:
  int fd_;
  common::Text path_;
  bool writable_;
};

class PosixFolder : public Folder {
 public:
  PosixFolder(int fd, common::Text path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFolder() override { Sys().close(fd_); }

  const common::Text& path() const override { return path_; }

  std::vector<FolderEntry> List(bool modification_times) override {
    // A descriptor of its own, so that every listing starts at the beginning.
    int fd = Retry([&] { return Sys().openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
    if (fd < 0) throw CannotListFolder(path_, SystemErrorText(errno));
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
      int error = errno;
      Sys().close(fd);
      throw CannotListFolder(path_, SystemErrorText(error));
    }
    std::vector<FolderEntry> entries;
    for (;;) {
      errno = 0;
      const dirent* entry = Sys().readdir(dir);
      if (entry == nullptr) break;
      std::string_view name(entry->d_name);
      if (name == "." || name == "..") continue;
      if (modification_times) {
        entries.push_back(Look(*entry));
      } else {
        entries.push_back(FolderEntry{common::PathToText(name), KindOf(*entry), std::nullopt});
      }
    }
    int error = errno;
    ::closedir(dir);
    if (error != 0) throw CannotListFolder(path_, SystemErrorText(error));
    return entries;
  }

  std::unique_ptr<File> OpenTable(const common::Text& name) override {
    std::string native;
    if (int error = NativeName(name, native)) throw common::CannotOpenFile(path_ + name, SystemErrorText(error));
    // Anyone on the share may plant a link or a FIFO under a table's name: a link is refused, not
    // followed, and opening never blocks.
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    bool writable = true;
    int fd = Retry([&] { return Sys().openat(fd_, native.c_str(), O_RDWR | kFlags, 0); });
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
      fd = Retry([&] { return Sys().openat(fd_, native.c_str(), O_RDONLY | kFlags, 0); });
      writable = false;
    }
    if (fd < 0) throw common::CannotOpenFile(path_ + name, SystemErrorText(errno));
    auto file = std::make_unique<PosixFile>(fd, path_ + name, writable);
    struct stat info {};
    if (Sys().fstat(fd, &info) != 0) throw common::CannotOpenFile(path_ + name, SystemErrorText(errno));
    if (!S_ISREG(info.st_mode)) throw common::CannotOpenFile(path_ + name, u"Not a regular file");
    return file;
  }

  std::string ReadForeignFile(const common::Text& name, size_t limit, bool listed_as_file) override {
    const common::Text path = path_ + name;
    auto fail = [&](int code) { return common::CannotOpenFile(path, SystemErrorText(code)); };
    auto not_regular = [&](mode_t mode) {
      return S_ISDIR(mode) ? fail(EISDIR) : common::CannotOpenFile(path, u"Not a regular file");
    };
    std::string native;
    if (int error = NativeName(name, native)) throw fail(error);

    // Look before opening, so that a device is never opened at all (opening some devices has
    // effects), unless the listing has just said what the name is.
    if (!listed_as_file) {
      struct stat before {};
      if (Sys().fstatat(fd_, native.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0) throw fail(errno);
      if (S_ISLNK(before.st_mode)) throw fail(ELOOP);
      if (!S_ISREG(before.st_mode)) throw not_regular(before.st_mode);
      if (static_cast<unsigned long long>(before.st_size) > limit)
        throw common::CannotOpenFile(path, FileTooLarge(limit));
    }

    // The entry may be swapped after the look: O_NOFOLLOW refuses a link, O_NONBLOCK keeps a FIFO
    // from blocking, and the open file is checked again.
    int fd = Retry([&] {
      return Sys().openat(fd_, native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    });
    if (fd < 0) throw fail(errno);
    PosixFile file(fd, path, false);

    struct stat opened {};
    if (Sys().fstat(fd, &opened) != 0) throw fail(errno);
    if (!S_ISREG(opened.st_mode)) throw not_regular(opened.st_mode);
    if (static_cast<unsigned long long>(opened.st_size) > limit)
      throw common::CannotOpenFile(path, FileTooLarge(limit));

    // A writer that announces itself with an exclusive lock keeps the file from being read half
    // written. File systems without flock support are read without the check.
    if (Sys().flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) throw fail(errno);

    // Read at most one byte past the limit: the file may grow after fstat.
    std::string bytes;
    bytes.resize(std::min(static_cast<size_t>(opened.st_size), limit) + 1);
    size_t used = 0;
    for (;;) {
      if (used == bytes.size()) {
        if (bytes.size() > limit) throw common::CannotOpenFile(path, FileTooLarge(limit));
        bytes.resize(std::min(bytes.size() * 2, limit + 1));
      }
      size_t wanted = bytes.size() - used;
      ssize_t n = Retry([&] { return Sys().read(fd, bytes.data() + used, wanted); });
      if (n < 0) throw CannotReadFile(path, SystemErrorText(errno));
      if (n == 0) break;
      used += static_cast<size_t>(n);
      // A short read that reaches the size fstat gave is the end: no second read to hear it again.
      // (A network file system may also cut a read short before the end; then reading goes on.)
      if (static_cast<size_t>(n) < wanted && used >= static_cast<size_t>(opened.st_size)) break;
    }
    bytes.resize(used);
    return bytes;
  }

  void CreateNewFile(const common::Text& name, std::string_view bytes) override {
    const common::Text path = path_ + name;
    std::string native;
    if (int error = NativeName(name, native)) throw CannotCreateFile(path, SystemErrorText(error));
    const std::string aside = WriteAside(path, native, bytes, false);
    // The file appears complete or not at all, and an existing file is never replaced.
    if (Sys().renameat2(fd_, aside.c_str(), fd_, native.c_str(), RENAME_NOREPLACE) == 0) return;
    int error = errno;
    if (RenameNoReplaceUnsupported(error)) {
      error = Sys().linkat(fd_, aside.c_str(), fd_, native.c_str(), 0) == 0 ? 0 : errno;
      if (LinkUnsupported(error)) {
        // Neither: the name is claimed by an exclusive create, which fails when anything is there,
        // and the complete file then takes the place of the empty claim. A process killed between
        // the two leaves an empty file under the name. No other refresh run comes between them: the
        // caller holds the database folder's lock.
        int claim = Retry([&] {
          return Sys().openat(fd_, native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        });
        if (claim < 0) {
          error = errno;
        } else {
          Sys().close(claim);
          error = MoveOverOwnClaim(aside, native);
          if (error == 0) return;
        }
      }
    }
    Sys().unlinkat(fd_, aside.c_str(), 0);
    if (error != 0) throw CannotCreateFile(path, SystemErrorText(error));
  }

  void ReplaceFile(const common::Text& name, std::string_view bytes) override {
    const common::Text path = path_ + name;
    std::string native;
    if (int error = NativeName(name, native)) throw CannotCreateFile(path, SystemErrorText(error));
    const std::string aside = WriteAside(path, native, bytes, true);
    // A rename replaces the entry itself: a link at the name goes, its target is never opened.
    if (Sys().renameat(fd_, aside.c_str(), fd_, native.c_str()) != 0) {
      int error = errno;
      Sys().unlinkat(fd_, aside.c_str(), 0);
      throw CannotCreateFile(path, SystemErrorText(error));
    }
  }

  std::optional<uint64_t> SizeOf(const common::Text& name) override {
    std::string native;
    if (int error = NativeName(name, native)) throw CannotReadFile(path_ + name, SystemErrorText(error));
    struct stat info {};
    if (Sys().fstatat(fd_, native.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
      throw CannotReadFile(path_ + name, SystemErrorText(errno));
    }
    if (S_ISDIR(info.st_mode)) return std::nullopt;
    return static_cast<uint64_t>(info.st_size);
  }

  void Remove(const common::Text& name) override {
    std::string native;
    int error = NativeName(name, native);
    if (error == 0 && Sys().unlinkat(fd_, native.c_str(), 0) != 0) error = errno;
    if (error != 0) throw CannotDeleteFile(path_ + name, SystemErrorText(error));
  }

  std::unique_ptr<File> LockFile(const common::Text& name) override {
    const common::Text path = path_ + name;
    std::string native;
    if (int error = NativeName(name, native)) throw CannotLockFile(path, SystemErrorText(error));
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    bool writable = true;
    int fd = Retry([&] { return Sys().openat(fd_, native.c_str(), O_RDWR | O_CREAT | kFlags, 0666); });
    // Another user's lock file that this one may only read: a shared descriptor locks as well.
    if (fd < 0 && errno == EACCES) {
      fd = Retry([&] { return Sys().openat(fd_, native.c_str(), O_RDONLY | kFlags, 0); });
      writable = false;
      if (fd < 0 && errno == ENOENT) errno = EACCES;
    }
    if (fd < 0) throw CannotLockFile(path, SystemErrorText(errno));
    auto file = std::make_unique<PosixFile>(fd, path, writable);
    if (Retry([&] { return Sys().flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
      if (errno == EWOULDBLOCK) throw FolderInUse(path_);
      if (errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return nullptr;  // no locks here
      throw CannotLockFile(path, SystemErrorText(errno));
    }
    return file;  // closing the last descriptor releases the lock
  }

  void Sync() override {
    // A file system that cannot flush a folder says so with EINVAL: nothing more can be done there.
    if (Retry([&] { return Sys().fsync(fd_); }) != 0 && errno != EINVAL) {
      throw CannotFlushFolder(path_, SystemErrorText(errno));
    }
  }

 private:
  static EntryKind KindOfMode(mode_t mode) {
    if (S_ISREG(mode)) return EntryKind::kFile;
    if (S_ISDIR(mode)) return EntryKind::kFolder;
    if (S_ISLNK(mode)) return EntryKind::kLink;
    return EntryKind::kOther;
  }

  // The listing's own word where it has one; a look at the entry itself otherwise.
  EntryKind KindOf(const dirent& entry) const {
    unsigned char type = entry.d_type;
    if (type == DT_UNKNOWN) {
      struct stat info {};
      if (Sys().fstatat(fd_, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::kOther;
      return KindOfMode(info.st_mode);
    }
    if (type == DT_REG) return EntryKind::kFile;
    if (type == DT_DIR) return EntryKind::kFolder;
    if (type == DT_LNK) return EntryKind::kLink;
    return EntryKind::kOther;
  }

  // The entry's kind and time from one look at it; an entry that vanished meanwhile keeps the
  // listing's kind and has no time.
  FolderEntry Look(const dirent& entry) const {
    FolderEntry looked{common::PathToText(entry.d_name), EntryKind::kOther, std::nullopt};
    struct stat info {};
    if (Sys().fstatat(fd_, entry.d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      looked.kind = entry.d_type == DT_UNKNOWN ? EntryKind::kOther : KindOf(entry);
      return looked;
    }
    looked.kind = KindOfMode(info.st_mode);
    looked.modified = static_cast<int64_t>(info.st_mtime);
    return looked;
  }

  // Writes `bytes` to a new hidden file beside `native`, created exclusively (never through a link)
  // under a name nobody can predict, and forced to stable storage when `sync`; returns its name. The
  // file is removed again when writing fails. Throws CannotCreateFile, CannotWriteFile or
  // CannotFlushFile, naming `path`.
  std::string WriteAside(const common::Text& path, const std::string& native, std::string_view bytes, bool sync) const {
    std::string aside = "." + native + ".";
    if (int error = AppendUnpredictable(aside)) throw CannotCreateFile(path, SystemErrorText(error));
    aside += ".new";
    int fd = Retry(
        [&] { return Sys().openat(fd_, aside.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666); });
    if (fd < 0) throw CannotCreateFile(path, SystemErrorText(errno));
    PosixFile file(fd, path, true);
    try {
      for (size_t done = 0; done < bytes.size();) done += file.WriteAt(done, bytes.substr(done));
      if (sync) file.Sync();
    } catch (...) {
      Sys().unlinkat(fd_, aside.c_str(), 0);
      throw;
    }
    return aside;
  }

  // Moves the complete file `aside` to `name`, where this process has just created an empty file
  // exclusively. A plain rename replaces that claim; where the system refuses to rename over an
  // existing file, the claim is removed first.
  int MoveOverOwnClaim(const std::string& aside, const std::string& name) const {
    if (Sys().renameat(fd_, aside.c_str(), fd_, name.c_str()) == 0) return 0;
    if (Sys().unlinkat(fd_, name.c_str(), 0) != 0) return errno;
    return Sys().renameat(fd_, aside.c_str(), fd_, name.c_str()) == 0 ? 0 : errno;
  }

  int fd_;
  common::Text path_;
};

}  // namespace

std::filesystem::path TextToFsPath(common::TextView text) { return std::filesystem::path(common::TextToPath(text)); }

common::Text FsPathToText(const std::filesystem::path& path) { return common::PathToText(path.native()); }

std::unique_ptr<Folder> SystemFileSystem::OpenFolder(const common::Text& path) {
  std::string native = path.empty() ? std::string(".") : common::TextToPath(path);
  int fd = -1;
  if (native.find('\0') != std::string::npos) {
    errno = EINVAL;
  } else {
    fd = Retry([&] { return Sys().open(native.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
  }
  if (fd < 0) {
    int error = errno;
    struct stat info {};
    bool other = error == ENOTDIR && Sys().stat(native.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
    throw CannotOpenFolder(path, other ? common::Text(u"It is not a folder") : SystemErrorText(error));
  }
  common::Text shown = path;
  if (!shown.empty() && shown.back() != u'/') shown += u'/';
  return std::make_unique<PosixFolder>(fd, std::move(shown));
}

}  // namespace platform
