#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include "common/error.h"
#include "platform/read_file.h"
#include "platform/system_error.h"

namespace platform {

namespace {

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};

[[noreturn]] void Fail(const common::Text& path, DWORD code) {
  throw common::CannotOpenFile(path, SystemErrorText(static_cast<int>(code)));
}

[[noreturn]] void FailNotRegular(const common::Text& path) { throw common::CannotOpenFile(path, u"Not a regular file"); }

[[noreturn]] void FailTooLarge(const common::Text& path, size_t max_size) {
  throw common::CannotOpenFile(path, common::FromUtf8("File too large (the limit is " + std::to_string(max_size) +
                                                     " bytes)"));
}

LPCWSTR Wide(const common::Text& path) { return reinterpret_cast<LPCWSTR>(path.c_str()); }

}  // namespace

std::string ReadRegularFile(const common::Text& path, size_t max_size) {
  // A name cannot hold a NUL; the system would cut it there and open another file.
  if (path.find(u'\0') != common::Text::npos) Fail(path, ERROR_INVALID_NAME);

  // Others may read the file meanwhile but not write it: a file that another program holds open for
  // writing cannot be opened. A symbolic link or junction is opened as itself and then refused.
  HANDLE opened = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (opened == INVALID_HANDLE_VALUE) Fail(path, GetLastError());
  std::unique_ptr<void, HandleCloser> file(opened);

  // Devices, pipes and consoles are no files to import.
  if (GetFileType(opened) != FILE_TYPE_DISK) FailNotRegular(path);
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(opened, &info)) Fail(path, GetLastError());
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Fail(path, ERROR_ACCESS_DENIED);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) FailNotRegular(path);
  const unsigned long long size = (static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > max_size) FailTooLarge(path, max_size);

  // Read at most one byte past the limit: another reader cannot grow it, but a file system may report
  // a stale size.
  std::string bytes(static_cast<size_t>(size) + 1, '\0');
  size_t used = 0;
  for (;;) {
    if (used == bytes.size()) {
      if (bytes.size() > max_size) FailTooLarge(path, max_size);
      bytes.resize(std::min(bytes.size() * 2, max_size + 1));
    }
    DWORD got = 0;
    if (!ReadFile(opened, bytes.data() + used, static_cast<DWORD>(bytes.size() - used), &got, nullptr)) {
      Fail(path, GetLastError());
    }
    if (got == 0) break;
    used += got;
  }
  bytes.resize(used);
  return bytes;
}

bool FileExists(const common::Text& path) {
  if (path.find(u'\0') != common::Text::npos) return false;
  DWORD attributes = GetFileAttributesW(Wide(path));
  if (attributes != INVALID_FILE_ATTRIBUTES) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  // Only "file not found", "path not found" and "invalid name" mean absent.
  DWORD code = GetLastError();
  if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND || code == ERROR_INVALID_NAME) return false;
  Fail(path, code);
}

}  // namespace platform
