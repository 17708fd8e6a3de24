#pragma once

#include <stdexcept>
#include <string>

#include "common/text.h"

namespace common {

// The one exception type of the system. A failure ends the refresh run and its message is shown to
// the operator exactly as it stands, so the message is kept as UTF-16 text; what() gives it as UTF-8.
class Error : public std::runtime_error {
 public:
  explicit Error(Text message);
  const Text& message() const { return message_; }

 private:
  Text message_;
};

// "Cannot open file "%s". %s": the full path and the system's description of the failure.
Error CannotOpenFile(TextView path, TextView reason);

// "List index out of bounds (%d)".
Error ListIndexOutOfBounds(long long index);

// A message with the component prefix "%s: %s", as the data components report their failures.
Error ComponentError(std::string_view component, TextView message);

}  // namespace common
