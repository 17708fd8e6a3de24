#include "platform/enumerate.h"

namespace platform {

// "*" and "?" over upper-cased text; on a mismatch after a "*", the star takes one more character and
// matching resumes from there, which is enough since only the latest star ever needs to grow.
bool MatchesMask(common::TextView name_text, common::TextView mask_text) {
  const common::Text name = common::UpperCase(name_text);
  const common::Text mask = common::UpperCase(mask_text);
  size_t n = 0;
  size_t m = 0;
  size_t star = common::Text::npos;
  size_t star_n = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == u'?' || mask[m] == name[n])) {
      ++n;
      ++m;
    } else if (m < mask.size() && mask[m] == u'*') {
      star = m++;
      star_n = n;
    } else if (star != common::Text::npos) {
      m = star + 1;
      n = ++star_n;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == u'*') ++m;
  return m == mask.size();
}

std::vector<common::Text> MatchingNames(const std::vector<FolderEntry>& entries, common::TextView mask) {
  std::vector<common::Text> names;
  for (const FolderEntry& entry : entries) {
    if (MatchesMask(entry.name, mask)) names.push_back(entry.name);
  }
  return names;
}

}  // namespace platform
