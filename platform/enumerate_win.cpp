#include <windows.h>

#include <memory>

#include "platform/enumerate.h"

namespace platform {

namespace {

struct SearchCloser {
  void operator()(HANDLE search) const { FindClose(search); }
};

// The mask's extension: what follows its last full stop, or nothing when it has none.
common::TextView Extension(common::TextView name) {
  size_t dot = name.rfind(u'.');
  return dot == common::TextView::npos ? common::TextView() : name.substr(dot + 1);
}

// FindFirstFileW also matches the generated short (8.3) names, so "*.txt" returns "y.txtx" through
// its alias "Y~1.TXT". A mask whose extension is plain letters (no wildcard) must then meet the long
// name's own extension, compared without regard to case, as a listing of long names would.
bool LongNameKeepsExtension(common::TextView name, common::TextView mask) {
  common::TextView wanted = Extension(mask);
  if (wanted.empty() || wanted.find_first_of(u"*?") != common::TextView::npos) return true;
  if (mask.find(u'.') == common::TextView::npos) return true;
  return common::UpperCase(Extension(name)) == common::UpperCase(wanted);
}

}  // namespace

void EnumerateMatches(const common::Text& pattern, const std::function<void(const common::Text& name)>& visit) {
  size_t separator = pattern.find_last_of(u"/\\");
  common::TextView mask = separator == common::Text::npos ? common::TextView(pattern)
                                                          : common::TextView(pattern).substr(separator + 1);
  // The mask goes to the file system as it is; every attribute is asked for (FindFirstFileW excludes
  // nothing by attribute), and the entries come in the file system's own order.
  WIN32_FIND_DATAW entry{};
  HANDLE first = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &entry);
  if (first == INVALID_HANDLE_VALUE) return;
  std::unique_ptr<void, SearchCloser> search(first);
  do {
    common::Text name(reinterpret_cast<const char16_t*>(entry.cFileName));
    if (name == u"." || name == u"..") continue;
    if (LongNameKeepsExtension(name, mask)) visit(name);
  } while (FindNextFileW(search.get(), &entry));
}

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
