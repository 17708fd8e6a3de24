#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/file_io.h"

namespace platform {

namespace {

int LastError() { return static_cast<int>(GetLastError()); }

int64_t Nanoseconds(uint64_t hundreds) { return static_cast<int64_t>(hundreds) * 100; }
uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

// Identity of an open handle: the volume and file index stand for device and inode; ChangeTime is
// the metadata change time where the file system keeps one.
bool IdentityFromHandle(HANDLE handle, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(handle, &info)) return false;
  identity.device = info.dwVolumeSerialNumber;
  identity.inode = Join(info.nFileIndexHigh, info.nFileIndexLow);
  identity.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
  identity.modified_ns = Nanoseconds(Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
  FILE_BASIC_INFO basic{};
  identity.changed_ns = GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)
                            ? Nanoseconds(static_cast<uint64_t>(basic.ChangeTime.QuadPart))
                            : identity.modified_ns;
  return true;
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Whole transfers are split so that each fits a DWORD.
DWORD Chunk(size_t length) { return static_cast<DWORD>(std::min<size_t>(length, 1u << 30)); }

OVERLAPPED At(uint64_t offset) {
  OVERLAPPED position{};
  position.Offset = static_cast<DWORD>(offset);
  position.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return position;
}

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

int AccessDeniedCode() { return ERROR_ACCESS_DENIED; }

int DiskFullCode() { return ERROR_DISK_FULL; }

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
  HANDLE handle = CreateFileW(path.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  FileIdentity identity;
  bool known = IdentityFromHandle(handle, identity);
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return identity;
}

PathKind KindOf(const std::filesystem::path& path, int& error) {
  error = 0;
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
  }
  DWORD failure = GetLastError();
  if (failure == ERROR_FILE_NOT_FOUND || failure == ERROR_PATH_NOT_FOUND || failure == ERROR_INVALID_NAME) {
    error = static_cast<int>(failure);
    return PathKind::kMissing;
  }
  // Locked or not readable: a directory search still sees the entry.
  WIN32_FIND_DATAW entry{};
  HANDLE search = FindFirstFileW(path.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) {
    error = static_cast<int>(failure);
    return PathKind::kMissing;
  }
  FindClose(search);
  return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kFolder : PathKind::kFile;
}

bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries) {
  WIN32_FIND_DATAW entry{};
  HANDLE search = FindFirstFileW((folder / L"*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    std::wstring name(entry.cFileName);
    if (name == L"." || name == L"..") continue;
    entries.push_back(FolderEntry{std::filesystem::path(name), (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  return true;
}

int CreateNewFile(const std::filesystem::path& path, std::string_view bytes, bool& in_writing) {
  in_writing = false;
  std::wstring aside_name = L"." + path.filename().wstring() + L"." + std::to_wstring(GetCurrentProcessId()) + L".new";
  std::filesystem::path aside = path.parent_path() / aside_name;
  HANDLE file = CreateFileW(aside.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LastError();
  size_t done = 0;
  int error = 0;
  while (done < bytes.size()) {
    DWORD wrote = 0;
    if (!WriteFile(file, bytes.data() + done, Chunk(bytes.size() - done), &wrote, nullptr)) {
      error = LastError();
      break;
    }
    if (wrote == 0) {
      error = ERROR_DISK_FULL;
      break;
    }
    done += wrote;
  }
  CloseHandle(file);
  if (error != 0) {
    DeleteFileW(aside.c_str());
    in_writing = true;
    return error;
  }
  // Without MOVEFILE_REPLACE_EXISTING the rename fails when the name is taken: nothing is replaced.
  if (!MoveFileExW(aside.c_str(), path.c_str(), 0)) {
    error = LastError();
    DeleteFileW(aside.c_str());
    return error;
  }
  return 0;
}

int RemoveFile(const std::filesystem::path& path) { return DeleteFileW(path.c_str()) ? 0 : LastError(); }

RandomAccessFile::~RandomAccessFile() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

int RandomAccessFile::Open(const std::filesystem::path& path) {
  // Other programs and connections may read, write and delete alongside, as with POSIX descriptors.
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  writable_ = true;
  if (file == INVALID_HANDLE_VALUE && (GetLastError() == ERROR_ACCESS_DENIED || GetLastError() == ERROR_WRITE_PROTECT)) {
    file = CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    writable_ = false;
  }
  if (file == INVALID_HANDLE_VALUE) return LastError();
  handle_ = reinterpret_cast<intptr_t>(file);
  return 0;
}

int RandomAccessFile::Identity(FileIdentity& identity) const {
  return IdentityFromHandle(reinterpret_cast<HANDLE>(handle_), identity) ? 0 : LastError();
}

int64_t RandomAccessFile::ReadAt(uint64_t offset, char* data, size_t length, int& error) const {
  OVERLAPPED position = At(offset);
  DWORD got = 0;
  if (!ReadFile(reinterpret_cast<HANDLE>(handle_), data, Chunk(length), &got, &position)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    error = LastError();
    return -1;
  }
  return got;
}

int64_t RandomAccessFile::WriteAt(uint64_t offset, const char* data, size_t length, int& error) {
  OVERLAPPED position = At(offset);
  DWORD wrote = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(handle_), data, Chunk(length), &wrote, &position)) {
    error = LastError();
    return -1;
  }
  return wrote;
}

}  // namespace platform
