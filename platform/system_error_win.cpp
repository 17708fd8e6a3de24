#include <windows.h>

#include <cstdio>

#include "platform/system_error.h"

namespace platform {

common::Text SystemErrorText(int code) {
  wchar_t* buffer = nullptr;
  DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
  common::Text text;
  if (length != 0 && buffer != nullptr) text.assign(reinterpret_cast<const char16_t*>(buffer), length);
  if (buffer != nullptr) LocalFree(buffer);
  // The system's texts end in a full stop and a line break; callers put their own punctuation.
  while (!text.empty() && (common::IsBlank(text.back()) || text.back() == u'.')) text.pop_back();
  if (text.empty()) {
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "System error %lu", static_cast<unsigned long>(static_cast<DWORD>(code)));
    text = common::FromUtf8(fallback);
  }
  return text;
}

}  // namespace platform
