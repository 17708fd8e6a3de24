#pragma once

#include <functional>

#include "common/log_sink.h"
#include "common/text.h"

// What the command-line programs (inventory-refresh, inventory-report) share.
namespace app {

// The log of the unattended programs: each line on standard output (UTF-8) as it comes, a batch of
// lines in one write.
class StdoutLog : public common::LogSink {
 public:
  void Log(const common::Text& line) override;
  void LogLines(const std::vector<common::Text>& lines) override;
};

// Runs `run` and returns the exit status: 0, or 1 after writing the failure's text to standard error
// with the window's full-stop rule (FailureText). Every failure is caught here, as the window catches
// at its event boundary.
int RunReportingFailure(const std::function<void()>& run);

}  // namespace app
