#include "platform/enumerate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <string>

namespace platform {

namespace {

// "*" and "?" over upper-cased text; on a mismatch after a "*", the star takes one more character and
// matching resumes from there, which is enough since only the latest star ever needs to grow.
bool WildcardMatches(common::TextView name, common::TextView mask) {
  size_t n = 0;
  size_t m = 0;
  size_t star = common::TextView::npos;
  size_t star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      star_n = n;
    } else if (star != common::TextView::npos) {
      m = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

void EnumerateMatches(const common::Text& pattern, const std::function<void(const common::Text& name)>& visit) {
  size_t separator = pattern.rfind(u'/');
  common::Text folder = separator == common::Text::npos ? common::Text(u".") : pattern.substr(0, separator + 1);
  common::Text mask = common::UpperCase(separator == common::Text::npos ? pattern : pattern.substr(separator + 1));

  std::unique_ptr<DIR, DirCloser> dir(opendir(common::TextToPath(folder).c_str()));
  if (!dir) return;
  for (;;) {
    const dirent* entry = readdir(dir.get());
    if (entry == nullptr) return;  // the end, or a read error: either way the search is over
    std::string_view bytes(entry->d_name);
    if (bytes == "." || bytes == "..") continue;
    common::Text name = common::PathToText(bytes);
    if (WildcardMatches(common::UpperCase(name), mask)) visit(name);
  }
}

void EnumerateFolder(const common::Text& folder, const std::function<void(const ListedEntry& entry)>& visit) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(common::TextToPath(folder.empty() ? common::Text(u".") : folder).c_str()));
  if (!dir) return;
  int descriptor = dirfd(dir.get());
  ListedEntry entry;
  for (;;) {
    const dirent* listed = readdir(dir.get());
    if (listed == nullptr) return;
    std::string_view bytes(listed->d_name);
    if (bytes == "." || bytes == "..") continue;
    entry.name = common::PathToText(bytes);
    struct stat status {};
    if (fstatat(descriptor, listed->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0) {
      entry.regular_file = S_ISREG(status.st_mode);
      entry.modified = static_cast<int64_t>(status.st_mtime);
    } else {
      entry.regular_file = false;
      entry.modified.reset();
    }
    visit(entry);
  }
}

}  // namespace platform
