#include <cstring>

#include "platform/system_error.h"

namespace platform {

common::Text SystemErrorText(int code) {
  char buffer[256];
  // The GNU variant may return a static string instead of filling the buffer.
  const char* message = strerror_r(code, buffer, sizeof buffer);
  common::Text text = common::FromUtf8(message);
  while (!text.empty() && (common::IsBlank(text.back()) || text.back() == u'.')) text.pop_back();
  return text;
}

}  // namespace platform
