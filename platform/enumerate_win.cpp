#include <windows.h>

#include <memory>

#include "platform/enumerate.h"

namespace platform {

namespace {

struct SearchCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};

}  // namespace

void EnumerateFolder(const common::Text& folder, const std::function<void(const ListedEntry& entry)>& visit) {
  common::Text pattern = folder + u"*";
  WIN32_FIND_DATAW found{};
  HANDLE first = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &found);
  if (first == INVALID_HANDLE_VALUE) return;
  std::unique_ptr<void, SearchCloser> search(first);
  ListedEntry entry;
  do {
    entry.name = reinterpret_cast<const char16_t*>(found.cFileName);
    if (entry.name == u"." || entry.name == u"..") continue;
    constexpr DWORD kNotPlain = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
    entry.regular_file = (found.dwFileAttributes & kNotPlain) == 0;
    // FILETIME counts 100 ns ticks since 1601-01-01; 11,644,473,600 s lie between 1601 and 1970.
    uint64_t ticks = (uint64_t{found.ftLastWriteTime.dwHighDateTime} << 32) | found.ftLastWriteTime.dwLowDateTime;
    entry.modified = static_cast<int64_t>(ticks / 10000000) - int64_t{11644473600};
    visit(entry);
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace platform
