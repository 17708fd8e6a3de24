#include "app/app_title.h"

#include <unicode/uchar.h>

namespace app {

namespace {

// Simple lower-case mapping per code unit, so the title keeps its length.
void LowerCaseInPlace(common::Text& text, size_t from) {
  for (size_t i = from; i < text.size(); ++i) {
    UChar32 lower = u_tolower(static_cast<UChar32>(text[i]));
    if (lower <= 0xFFFF) text[i] = static_cast<char16_t>(lower);
  }
}

}  // namespace

common::Text ApplicationTitle(common::TextView program_path) {
  size_t separator = program_path.find_last_of(u"/\\");
  common::TextView name = separator == common::TextView::npos ? program_path : program_path.substr(separator + 1);
  name = name.substr(0, name.find(u'.'));
  common::Text title(name);
  LowerCaseInPlace(title, 1);
  return title;
}

}  // namespace app
