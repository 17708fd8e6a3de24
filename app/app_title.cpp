#include "app/app_title.h"

namespace app {

common::Text ApplicationTitle(common::TextView program_path) {
  size_t separator = program_path.find_last_of(u"/\\");
  common::TextView name = separator == common::TextView::npos ? program_path : program_path.substr(separator + 1);
  name = name.substr(0, name.find(u'.'));
  if (name.empty()) return {};
  // Simple lower-case mapping per code unit, so the title keeps its length.
  return common::Text(name.substr(0, 1)) + common::LowerCase(name.substr(1));
}

}  // namespace app
