#pragma once

#include "common/text.h"

namespace app {

// The text an error is shown with: the message, with a full stop appended when it is not empty and
// its last character's code is above that of "." (U+002E). A message ending in ".", ")", "!", a
// quotation mark, an apostrophe, ",", "-" or a blank is shown unchanged; one ending in a letter or a
// digit gains the full stop.
common::Text ErrorText(common::TextView message);

}  // namespace app
