#include "app/unattended.h"

#include <exception>
#include <iostream>

#include "app/error_text.h"
#include "common/error.h"

namespace app {

void StdoutLog::Log(const common::Text& line) { std::cout << common::ToUtf8(line) << '\n' << std::flush; }

namespace {

int Fail(const common::Text& message) {
  std::cerr << common::ToUtf8(ErrorText(message)) << '\n';
  return 1;
}

}  // namespace

int RunReportingFailure(const std::function<void()>& run) {
  try {
    run();
  } catch (const common::Error& error) {
    return Fail(error.message());
  } catch (const std::exception& error) {
    return Fail(common::FromUtf8(error.what()));
  }
  return 0;
}

}  // namespace app
