#pragma once

#include "common/text.h"

namespace platform {

// The system's description of an error code (errno on POSIX, GetLastError on Windows), without its
// trailing blanks, control characters and full stops: "No such file or directory".
common::Text SystemErrorText(int code);

}  // namespace platform
