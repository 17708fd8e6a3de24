#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/text.h"

namespace report {

// The directory names within a small edit distance of a name: what a typo in the questionnaire
// most likely meant. "Close by" is at most kMaxDistance single-character insertions, deletions or
// substitutions over the whole upper-cased name; names shorter than kMinLength characters get no
// suggestions (two edits turn any short name into many others).
//
// The look-up does not compare a name with every directory name. Each directory name is cut into
// four pieces; two edits touch at most two of them, so a name within distance 2 holds at least two
// of the pieces unchanged, each shifted by at most two places. Only directory names that share two
// pieces so are compared in full.
class NearNames {
 public:
  static constexpr int kMaxDistance = 2;
  static constexpr size_t kMinLength = 6;

  // `names`: the directory names, each once.
  explicit NearNames(std::vector<common::Text> names);

  // Up to `limit` directory names within kMaxDistance of `name`, nearest first, then in text order.
  std::vector<common::Text> Nearest(const common::Text& name, size_t limit) const;

 private:
  std::vector<common::Text> names_;
  // Hash of a piece key (length, piece number, piece text) -> the names that hold it. Two keys that
  // share a hash only bring one more name to the full comparison.
  std::unordered_map<uint64_t, std::vector<uint32_t>> pieces_;
};

// The edit distance of `a` and `b` when it is at most `bound`, else bound + 1.
int BoundedEditDistance(common::TextView a, common::TextView b, int bound);

}  // namespace report
