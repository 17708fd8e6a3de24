#include "common/error.h"

namespace common {

Error::Error(Text message) : std::runtime_error(ToUtf8(message)), message_(std::move(message)) {}

Error CannotOpenFile(TextView path, TextView reason) {
  Text message = u"Cannot open file \"";
  message += path;
  message += u"\". ";
  message += reason;
  return Error(std::move(message));
}

Error ListIndexOutOfBounds(long long index) {
  return Error(FromUtf8("List index out of bounds (" + std::to_string(index) + ")"));
}

Error ComponentError(std::string_view component, TextView message) {
  Text text = FromUtf8(component);
  text += u": ";
  text += message;
  return Error(std::move(text));
}

}  // namespace common
