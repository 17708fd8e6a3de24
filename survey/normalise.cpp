#include "survey/normalise.h"

#include <bitset>

namespace survey {

namespace {

constexpr bool IsCyrillicCapital(char16_t c) { return c == u'Ё' || (c >= u'А' && c <= u'Я'); }

// Positions are 1-based; the set of positions where a space may be kept holds only 0 to 255, and
// its bounds are taken modulo 256.
constexpr size_t kPositionSetSize = 256;

}  // namespace

common::Text CleanFIO(common::TextView text) {
  const common::Text trimmed = common::Trim(common::UpperCase(text));

  size_t first = 0, last = 0, capitals = 0;
  for (size_t p = 1; p <= trimmed.size(); ++p) {
    if (!IsCyrillicCapital(trimmed[p - 1])) continue;
    if (capitals++ == 0) first = p;
    last = p;
  }
  std::bitset<kPositionSetSize> candidates;
  if (capitals >= 2) {
    size_t lo = (first + 1) % kPositionSetSize;
    size_t hi = (last - 1) % kPositionSetSize;
    for (size_t p = lo; p <= hi; ++p) candidates.set(p);
  }

  common::Text result;
  result.reserve(trimmed.size());
  bool space_just_copied = false;
  for (size_t p = 1; p <= trimmed.size(); ++p) {
    char16_t c = trimmed[p - 1];
    if (c == u' ') {
      if (p < kPositionSetSize && candidates.test(p) && !space_just_copied) {
        result.push_back(c);
        space_just_copied = true;
      }
    } else if (IsCyrillicCapital(c)) {
      result.push_back(c);
      space_just_copied = false;
    }
  }
  return result;
}

common::Text CleanPhone(common::TextView text) {
  common::Text trimmed = common::Trim(text);
  size_t cut = trimmed.find(u',');
  if (cut == common::Text::npos) cut = trimmed.find(u' ');
  if (cut != common::Text::npos) trimmed.resize(cut);
  return trimmed;
}

}  // namespace survey
