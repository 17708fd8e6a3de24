#pragma once

#include "common/text.h"

namespace app {

// The application title, the caption of every error message box: the program's file name after the
// last path separator ("/" or "\"), cut before its first full stop, its first character unchanged and
// the rest in lower case. "C:\Tools\ABC.EXE" gives "Abc"; "/usr/bin/inventory" gives "inventory".
common::Text ApplicationTitle(common::TextView program_path);

}  // namespace app
