#include "platform/enumerate.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <memory>
#include <string>

namespace platform {

namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

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
