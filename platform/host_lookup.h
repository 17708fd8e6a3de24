#pragma once

#include <string_view>

#include "common/text.h"

namespace platform {

// The dotted text ("10.1.2.3") of the first IPv4 address the system's name service gives for
// `host_name`, or the empty text when the name does not resolve, has no IPv4 address, is empty,
// or takes more than 255 bytes in `codepage` (no look-up is made then). The name is handed to the
// name service in `codepage`, the code page of workstation files (a platform::Codepage name; one
// that is unknown gives the empty text). Blocks until the name service answers. Never throws and
// keeps nothing between calls.
common::Text GetHostIP(const common::Text& host_name, std::string_view codepage);

}  // namespace platform
