#pragma once

#include <exception>

#include "common/text.h"

namespace app {

// The text an error is shown with: the message, with a full stop appended when it is not empty and
// its last character's code is above that of "." (U+002E). A message ending in ".", ")", "!", a
// quotation mark, an apostrophe, ",", "-" or a blank is shown unchanged; one ending in a letter or a
// digit gains the full stop.
common::Text ErrorText(common::TextView message);

// The text a failure is shown with, whatever was thrown: a common::Error's message, a standard
// exception's text, "Unknown error" for anything else; with the full-stop rule (ErrorText).
common::Text FailureText(std::exception_ptr error);

}  // namespace app
