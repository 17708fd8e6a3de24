#pragma once

#ifdef _WIN32
#include <windows.h>

#include "platform/system_error.h"
#undef ReplaceFile  // platform::Folder::ReplaceFile, not the Windows function
#endif

#include "common/text.h"

namespace testing_support {

// The separator that paths built by the system carry (Windows paths are written with backslashes).
#ifdef _WIN32
inline constexpr char16_t kSeparator[] = u"\\";
#else
inline constexpr char16_t kSeparator[] = u"/";
#endif

// The system's reason for a file that is not there, as the messages quote it.
inline common::Text FileNotFoundText() {
#ifdef _WIN32
  return platform::SystemErrorText(ERROR_FILE_NOT_FOUND);
#else
  return u"No such file or directory";
#endif
}

// The reason given for a programmatic identifier that no class is registered under
// (CO_E_CLASSSTRING): Windows' own description, or the status code where the system has none (Wine).
inline common::Text InvalidClassStringText() {
#ifdef _WIN32
  common::Text text = platform::SystemErrorText(static_cast<int>(0x800401F3u));
  return text.starts_with(u"System error") ? common::Text(u"OLE error 800401f3") : text;
#else
  return u"Invalid class string";
#endif
}

}  // namespace testing_support
