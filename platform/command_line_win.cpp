#include <windows.h>

#include <shellapi.h>

#include "common/text.h"
#include "platform/command_line.h"

namespace platform {

// main's argv is in the ANSI code page; the wide command line has every character.
std::vector<std::string> CommandLineArguments(int, char**) {
  std::vector<std::string> arguments;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return arguments;
  for (int i = 1; i < count; ++i) {
    std::wstring argument(wide[i]);
    arguments.push_back(common::ToUtf8(common::Text(argument.begin(), argument.end())));
  }
  LocalFree(wide);
  return arguments;
}

}  // namespace platform
