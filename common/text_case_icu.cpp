#include <unicode/uchar.h>

#include "common/text.h"

namespace common {

namespace {

// Surrogate halves have no case of their own: ICU returns them unchanged, and a mapping that would
// leave the BMP is not taken, so the length stays.
template <typename Map>
Text MapEachUnit(TextView text, Map map) {
  Text result(text);
  for (char16_t& c : result) {
    UChar32 mapped = map(static_cast<UChar32>(c));
    if (mapped <= 0xFFFF) c = static_cast<char16_t>(mapped);
  }
  return result;
}

}  // namespace

Text UpperCase(TextView text) { return MapEachUnit(text, u_toupper); }

Text LowerCase(TextView text) { return MapEachUnit(text, u_tolower); }

}  // namespace common
