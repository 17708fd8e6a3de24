#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <string>

#include "platform/file_system.h"
#include "platform/system_error.h"

namespace platform {

namespace {

common::Text Reason(DWORD code) { return SystemErrorText(static_cast<int>(code)); }
common::Text LastReason() { return Reason(GetLastError()); }

LPCWSTR Wide(const common::Text& text) { return reinterpret_cast<LPCWSTR>(text.c_str()); }

int64_t Nanoseconds(uint64_t hundreds) { return static_cast<int64_t>(hundreds) * 100; }
uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// "The create operation stopped after reaching a symbolic link" (missing from MinGW's headers).
constexpr DWORD kStoppedOnSymlink = 681;

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whole transfers are split so that each fits a DWORD.
DWORD Chunk(size_t length) { return static_cast<DWORD>(std::min<size_t>(length, 1u << 30)); }

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return position;
}

// Sixteen hex digits from the system's random source, appended to `name`: a hidden file's name that
// nobody else on the share can guess and plant a link under beforehand. False when the source fails.
bool AppendUnpredictable(common::Text& name) {
  unsigned char random[8];
  if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, random, sizeof random, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) return false;
  static constexpr char16_t kHex[] = u"0123456789abcdef";
  for (unsigned char byte : random) {
    name += kHex[byte >> 4];
    name += kHex[byte & 15];
  }
  return true;
}

// A name relative to a folder: one component, without NUL (the system would cut the name there).
bool PlainName(const common::Text& name) {
  return !name.empty() && name.find_first_of(std::u16string_view(u"\0/\\", 3)) == common::Text::npos;
}

class WinFile : public File {
 public:
  WinFile(HANDLE handle, common::Text path, bool writable)
      : handle_(handle), path_(std::move(path)), writable_(writable) {}
  ~WinFile() override { CloseHandle(handle_); }

  const common::Text& path() const override { return path_; }
  bool writable() const override { return writable_; }

  // The volume and file index stand for device and inode; ChangeTime is the metadata change time
  // where the file system keeps one.
  FileIdentity Identity() override {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle_, &info)) throw CannotReadFile(path_, LastReason());
    FileIdentity identity;
    identity.device = info.dwVolumeSerialNumber;
    identity.inode = Join(info.nFileIndexHigh, info.nFileIndexLow);
    identity.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    identity.modified_ns = Nanoseconds(Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    FILE_BASIC_INFO basic{};
    identity.changed_ns = GetFileInformationByHandleEx(handle_, FileBasicInfo, &basic, sizeof basic)
                              ? Nanoseconds(static_cast<uint64_t>(basic.ChangeTime.QuadPart))
                              : identity.modified_ns;
    return identity;
  }

  size_t ReadAt(uint64_t offset, char* data, size_t length) override {
    OVERLAPPED position = At(offset);
    DWORD got = 0;
    if (!ReadFile(handle_, data, Chunk(length), &got, &position)) {
      if (GetLastError() == ERROR_HANDLE_EOF) return 0;
      throw CannotReadFile(path_, LastReason());
    }
    return got;
  }

  size_t WriteAt(uint64_t offset, std::string_view bytes) override {
    if (!writable_) throw CannotWriteFile(path_, Reason(ERROR_ACCESS_DENIED));
    if (bytes.empty()) return 0;
    OVERLAPPED position = At(offset);
    DWORD wrote = 0;
    if (!WriteFile(handle_, bytes.data(), Chunk(bytes.size()), &wrote, &position)) {
      throw CannotWriteFile(path_, LastReason());
    }
    if (wrote == 0) throw CannotWriteFile(path_, Reason(ERROR_DISK_FULL));
    return wrote;
  }

  void Sync() override {
    if (!FlushFileBuffers(handle_)) throw CannotFlushFile(path_, LastReason());
  }

 private:
  HANDLE handle_;
  common::Text path_;
  bool writable_;
};

class WinFolder : public Folder {
 public:
  WinFolder(HANDLE handle, common::Text path) : handle_(handle), path_(std::move(path)) {}
  ~WinFolder() override { CloseHandle(handle_); }

  const common::Text& path() const override { return path_; }

  std::vector<FolderEntry> List(bool modification_times) override {
    std::vector<FolderEntry> entries;
    WIN32_FIND_DATAW entry{};
    HANDLE search = FindFirstFileW(Wide(path_ + u"*"), &entry);
    if (search == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_NOT_FOUND) return entries;
      throw CannotListFolder(path_, LastReason());
    }
    do {
      common::Text name(reinterpret_cast<const char16_t*>(entry.cFileName));
      if (name == u"." || name == u"..") continue;
      EntryKind kind = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? EntryKind::kLink
                       : (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)   ? EntryKind::kFolder
                       : (entry.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)      ? EntryKind::kOther
                                                                               : EntryKind::kFile;
      std::optional<int64_t> modified;
      if (modification_times) {
        // FILETIME counts 100 ns ticks since 1601-01-01; 11,644,473,600 s lie between 1601 and 1970.
        uint64_t ticks = Join(entry.ftLastWriteTime.dwHighDateTime, entry.ftLastWriteTime.dwLowDateTime);
        modified = static_cast<int64_t>(ticks / 10000000) - int64_t{11644473600};
      }
      entries.push_back(FolderEntry{std::move(name), kind, modified});
    } while (FindNextFileW(search, &entry));
    DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) throw CannotListFolder(path_, Reason(error));
    return entries;
  }

  std::unique_ptr<File> OpenTable(const common::Text& name) override {
    const common::Text path = path_ + name;
    if (!PlainName(name)) throw common::CannotOpenFile(path, Reason(ERROR_INVALID_NAME));
    // Other programs and connections may read, write and delete alongside, as with POSIX descriptors.
    // Anyone on the share may plant a link under a table's name: it is opened as itself and refused.
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    HANDLE file =
        CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, kFlags, nullptr);
    bool writable = true;
    if (file == INVALID_HANDLE_VALUE &&
        (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
      file = CreateFileW(Wide(path), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, kFlags, nullptr);
      writable = false;
    }
    if (file == INVALID_HANDLE_VALUE) throw common::CannotOpenFile(path, LastReason());
    auto opened = std::make_unique<WinFile>(file, path, writable);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) throw common::CannotOpenFile(path, LastReason());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      throw common::CannotOpenFile(path, Reason(kStoppedOnSymlink));
    }
    if (GetFileType(file) != FILE_TYPE_DISK) throw common::CannotOpenFile(path, u"Not a regular file");
    return opened;
  }

  std::string ReadForeignFile(const common::Text& name, size_t limit, bool) override {
    const common::Text path = path_ + name;
    auto fail = [&](DWORD code) { return common::CannotOpenFile(path, Reason(code)); };
    if (!PlainName(name)) throw fail(ERROR_INVALID_NAME);

    // Others may read the file meanwhile but not write it: a file that another program holds open
    // for writing cannot be opened. A symbolic link or junction is opened as itself and then refused.
    HANDLE opened =
        CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (opened == INVALID_HANDLE_VALUE) throw fail(GetLastError());
    WinFile file(opened, path, false);

    // Devices, pipes and consoles are no files to import.
    if (GetFileType(opened) != FILE_TYPE_DISK) throw common::CannotOpenFile(path, u"Not a regular file");
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(opened, &info)) throw fail(GetLastError());
    if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) throw fail(ERROR_ACCESS_DENIED);
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) throw common::CannotOpenFile(path, u"Not a regular file");
    const unsigned long long size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    if (size > limit) throw common::CannotOpenFile(path, FileTooLarge(limit));

    // Read at most one byte past the limit: another reader cannot grow it, but a file system may
    // report a stale size.
    std::string bytes(static_cast<size_t>(size) + 1, '\0');
    size_t used = 0;
    for (;;) {
      if (used == bytes.size()) {
        if (bytes.size() > limit) throw common::CannotOpenFile(path, FileTooLarge(limit));
        bytes.resize(std::min(bytes.size() * 2, limit + 1));
      }
      DWORD got = 0;
      if (!ReadFile(opened, bytes.data() + used, Chunk(bytes.size() - used), &got, nullptr)) {
        throw CannotReadFile(path, LastReason());
      }
      if (got == 0) break;
      used += got;
    }
    bytes.resize(used);
    return bytes;
  }

  void CreateNewFile(const common::Text& name, std::string_view bytes) override {
    const common::Text path = path_ + name;
    if (!PlainName(name)) throw CannotCreateFile(path, Reason(ERROR_INVALID_NAME));
    // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken: nothing is replaced.
    MoveAside(path, WriteAside(path, name, bytes, false), 0);
  }

  void ReplaceFile(const common::Text& name, std::string_view bytes) override {
    const common::Text path = path_ + name;
    if (!PlainName(name)) throw CannotCreateFile(path, Reason(ERROR_INVALID_NAME));
    // Renaming over a link replaces the link itself; its target is never opened.
    MoveAside(path, WriteAside(path, name, bytes, true), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }

  std::optional<uint64_t> SizeOf(const common::Text& name) override {
    const common::Text path = path_ + name;
    if (!PlainName(name)) throw CannotReadFile(path, Reason(ERROR_INVALID_NAME));
    // The attributes of the entry itself: a link is not followed.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Wide(path), GetFileExInfoStandard, &data)) {
      DWORD error = GetLastError();
      if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME) {
        return std::nullopt;
      }
      throw CannotReadFile(path, Reason(error));
    }
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
      return std::nullopt;
    }
    return Join(data.nFileSizeHigh, data.nFileSizeLow);
  }

  void Remove(const common::Text& name) override {
    const common::Text path = path_ + name;
    if (!PlainName(name)) throw CannotDeleteFile(path, Reason(ERROR_INVALID_NAME));
    // A link to a folder goes as a folder entry; neither call follows a link.
    DWORD attributes = GetFileAttributesW(Wide(path));
    constexpr DWORD kFolderLink = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
    bool removed = attributes != INVALID_FILE_ATTRIBUTES && (attributes & kFolderLink) == kFolderLink
                       ? RemoveDirectoryW(Wide(path))
                       : DeleteFileW(Wide(path));
    if (!removed) throw CannotDeleteFile(path, LastReason());
  }

  std::unique_ptr<File> LockFile(const common::Text& name) override {
    const common::Text path = path_ + name;
    if (!PlainName(name)) throw CannotLockFile(path, Reason(ERROR_INVALID_NAME));
    HANDLE handle = CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    bool writable = true;
    // Another user's lock file that this one may only read: a read handle locks as well.
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
      handle = CreateFileW(Wide(path), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      writable = false;
      if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_NOT_FOUND) SetLastError(ERROR_ACCESS_DENIED);
    }
    if (handle == INVALID_HANDLE_VALUE) throw CannotLockFile(path, LastReason());
    auto file = std::make_unique<WinFile>(handle, path, writable);
    OVERLAPPED whole{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
      DWORD error = GetLastError();
      if (error == ERROR_LOCK_VIOLATION || error == ERROR_SHARING_VIOLATION || error == ERROR_IO_PENDING) {
        throw FolderInUse(path_);
      }
      return nullptr;  // a file system without locks: nothing to hold
    }
    return file;  // closing the handle releases the lock
  }

  // Windows makes a folder's entries durable with the files themselves; a folder handle cannot be
  // flushed.
  void Sync() override {}

 private:
  // Writes `bytes` to a new hidden file beside `name`, created exclusively (never through a link) under
  // a name nobody can predict, and forced to stable storage when `sync`; returns its path. The file is
  // removed again when writing fails. Throws CannotCreateFile, CannotWriteFile or CannotFlushFile,
  // naming `path`.
  common::Text WriteAside(const common::Text& path, const common::Text& name, std::string_view bytes, bool sync) const {
    common::Text aside = path_ + u"." + name + u".";
    if (!AppendUnpredictable(aside)) throw CannotCreateFile(path, Reason(ERROR_GEN_FAILURE));
    aside += u".new";
    HANDLE handle = CreateFileW(Wide(aside), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) throw CannotCreateFile(path, LastReason());
    WinFile file(handle, path, true);
    try {
      for (size_t done = 0; done < bytes.size();) done += file.WriteAt(done, bytes.substr(done));
      if (sync) file.Sync();
    } catch (...) {
      DeleteFileW(Wide(aside));
      throw;
    }
    return aside;
  }

  // Renames the hidden file `aside` (closed by now) to `path`; removes it and throws CannotCreateFile
  // when that fails.
  static void MoveAside(const common::Text& path, const common::Text& aside, DWORD flags) {
    if (!MoveFileExW(Wide(aside), Wide(path), flags)) {
      DWORD error = GetLastError();
      DeleteFileW(Wide(aside));
      throw CannotCreateFile(path, Reason(error));
    }
  }

  HANDLE handle_;
  common::Text path_;
};

}  // namespace

// Separators become backslashes, so that paths built from a folder setting and a file name read
// the Windows way throughout.
std::filesystem::path TextToFsPath(common::TextView text) {
  return std::filesystem::path(std::wstring(text.begin(), text.end())).make_preferred();
}

common::Text FsPathToText(const std::filesystem::path& path) {
  const std::wstring& native = path.native();
  return common::Text(native.begin(), native.end());
}

std::unique_ptr<Folder> SystemFileSystem::OpenFolder(const common::Text& path) {
  common::Text shown = path.empty() ? common::Text(u".\\") : path;
  if (shown.back() != u'\\' && shown.back() != u'/') shown += u'\\';
  DWORD failure = ERROR_INVALID_NAME;
  if (path.find(u'\0') == common::Text::npos) {
    // Files in it are opened by the folder's path, so that path must keep naming this folder: while the
    // handle is open nobody may rename or remove the folder (no FILE_SHARE_DELETE).
    HANDLE handle = CreateFileW(Wide(shown), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      BY_HANDLE_FILE_INFORMATION info{};
      if (GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::make_unique<WinFolder>(handle, path.empty() ? common::Text() : shown);
      }
      CloseHandle(handle);
      throw CannotOpenFolder(path, u"It is not a folder");
    }
    failure = GetLastError();
    // A file's path with a separator after it is no valid name to the system; without the separator
    // it names the file, which is something else than a folder.
    DWORD attributes = GetFileAttributesW(Wide(shown.substr(0, shown.size() - 1)));
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      throw CannotOpenFolder(path, u"It is not a folder");
    }
  }
  throw CannotOpenFolder(path, Reason(failure));
}

}  // namespace platform
