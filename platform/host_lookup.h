#pragma once

#include "common/text.h"

namespace platform {

// The dotted text ("10.1.2.3") of the first IPv4 address the system's name service gives for
// `host_name`, or the empty text when the name does not resolve, has no IPv4 address, is empty,
// or takes more than 255 bytes in the code page of workstation files (no look-up is made then).
// Blocks until the name service answers. Never throws and keeps nothing between calls.
common::Text GetHostIP(const common::Text& host_name);

}  // namespace platform
