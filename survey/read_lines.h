#pragma once

#include <string_view>

#include "common/text.h"
#include "survey/line_list.h"

namespace survey {

// Decodes the bytes of a workstation file. The first bytes choose the encoding and are not part of
// the text: FF FE is UTF-16 little-endian, FE FF UTF-16 big-endian (a last odd byte is ignored),
// EF BB BF UTF-8 (bytes that are not valid UTF-8 throughout give the empty text); anything else is
// in `codepage`, the code page of workstation files, in which every byte converts. Throws
// common::Error "Unknown code page '%s'" when `codepage` is not one (platform::Codepage).
common::Text DecodeWorkstationText(std::string_view bytes, std::string_view codepage);

// Cuts text into lines. A line ends at CR, at LF or at a CR LF pair (LF CR is two breaks); a last
// line without a break is a line, a break at the very end adds no empty line; the first NUL ends
// the text. Lines hold no CR, LF or NUL and are not trimmed.
LineList SplitLines(common::TextView text);

// A workstation file is read into lines by SurveyFolder::ReadLines: DecodeWorkstationText, then
// SplitLines.

}  // namespace survey
