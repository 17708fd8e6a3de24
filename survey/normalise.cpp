#include "survey/normalise.h"

namespace survey {
namespace {

bool IsCyrillicCapital(char16_t c) { return c == u'Ё' || (c >= u'А' && c <= u'Я'); }

}  // namespace

common::Text CleanFIO(common::Text text) {
  const common::Text t = common::Trim(common::UpperCase(text));
  // Positions count from 1; the candidate positions are kept modulo 256, as a byte-sized set.
  size_t first = 0, last = 0, capitals = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    if (!IsCyrillicCapital(t[i])) continue;
    if (capitals++ == 0) first = i + 1;
    last = i + 1;
  }
  size_t lo = 1, hi = 0;
  if (capitals >= 2) lo = (first + 1) % 256, hi = (last - 1) % 256;
  common::Text result;
  bool space_just_copied = false;
  for (size_t i = 0; i < t.size(); ++i) {
    const size_t p = i + 1;
    if (t[i] == u' ') {
      if (p <= 255 && p >= lo && p <= hi && !space_just_copied) {
        result += u' ';
        space_just_copied = true;
      }
    } else if (IsCyrillicCapital(t[i])) {
      result += t[i];
      space_just_copied = false;
    }
  }
  return result;
}

common::Text CleanPhone(common::Text text) {
  const common::Text t = common::Trim(text);
  if (size_t comma = t.find(u','); comma != common::Text::npos) return t.substr(0, comma);
  if (size_t space = t.find(u' '); space != common::Text::npos) return t.substr(0, space);
  return t;
}

}  // namespace survey
