#include "survey/info_lines.h"

namespace survey {

namespace {
constexpr size_t kDefaultInfoLineCount = 15;
}  // namespace

std::size_t FileNameOffset(common::TextView path) {
  size_t separator = path.find_last_of(u"\\/:");
  return separator == common::TextView::npos ? 0 : separator + 1;
}

common::Text CompanionInfoPath(common::TextView path) {
  size_t dot = path.find_last_of(u'.');
  common::Text result(path);
  if (dot != common::TextView::npos && dot >= FileNameOffset(path)) result.resize(dot);
  return result + u".nfo";
}

void CompleteInfoLines(LineList& info, const common::Text& line12) {
  if (info.size() == 11) info.Append(u"");
  if (info.size() == 12) info.Append(line12);
  if (info.size() == 13) info.Append(u"");
}

LineList DefaultInfoLines() {
  LineList lines;
  for (size_t i = 0; i < kDefaultInfoLineCount; ++i) lines.Append(i == 0 || i == 2 || i == 4 ? u"0" : u"");
  return lines;
}

}  // namespace survey
