#include "app/console.h"

#include <exception>
#include <iostream>

#include "app/error_text.h"

namespace app {

void StdoutLog::Log(const common::Text& line) { std::cout << common::ToUtf8(line) << '\n' << std::flush; }

void StdoutLog::LogLines(const std::vector<common::Text>& lines) {
  std::string text;
  for (const common::Text& line : lines) text += common::ToUtf8(line) + '\n';
  std::cout << text << std::flush;
}

int RunReportingFailure(const std::function<void()>& run) {
  try {
    run();
  } catch (...) {
    std::cerr << common::ToUtf8(FailureText(std::current_exception())) << '\n';
    return 1;
  }
  return 0;
}

}  // namespace app
