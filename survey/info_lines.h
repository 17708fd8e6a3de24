#pragma once

#include <cstddef>

#include "common/text.h"
#include "survey/line_list.h"

namespace survey {

// Where the file name of a full path begins: just after its last '\', ':' or (on this platform)
// '/'; 0 when it has none.
std::size_t FileNameOffset(common::TextView path);

// The path of the info file that belongs to the survey file at `path`: the extension (from the last
// '.' of the file name on) becomes ".nfo", or ".nfo" is appended to a file name without a dot.
// PC-12.txt gives PC-12.nfo, A.B.txt gives A.B.nfo. The file need not exist.
common::Text CompanionInfoPath(common::TextView path);

// Completes an info line list just read: a list of 11 lines gains an empty line 11, a list of 12
// then gains `line12`, a list of 13 then gains an empty line 13. Other lists are left alone.
void CompleteInfoLines(LineList& info, const common::Text& line12);

// The fifteen info lines that stand in for a missing info file: "0" in lines 0, 2 and 4 (SPEED, RAM
// and HDD), every other line empty.
LineList DefaultInfoLines();

}  // namespace survey
