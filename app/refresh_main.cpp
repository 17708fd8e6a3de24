// inventory-refresh: one unattended refresh run with the fixed settings, for a cron job or a timer.
// It performs the first-activation procedure and one refresh run through the same Inventory as the
// window, writes each log line to standard output and, on failure, the error's text (with the window's
// full-stop rule) to standard error, and exits 1.
#include <exception>
#include <iostream>

#include "app/error_text.h"
#include "app/inventory.h"
#include "app/mail_client.h"
#include "common/error.h"
#include "common/log_sink.h"
#include "platform/apartment.h"

namespace {

class StdoutLog : public common::LogSink {
 public:
  void Log(const common::Text& line) override { std::cout << common::ToUtf8(line) << '\n' << std::flush; }
};

int Fail(const common::Text& message) {
  std::cerr << common::ToUtf8(app::ErrorText(message)) << '\n';
  return 1;
}

}  // namespace

int main(int argc, char**) {
  if (argc > 1) {
    std::cerr << "inventory-refresh takes no arguments; its folders are fixed when it is built.\n";
    return 2;
  }
  // The mail client's automation (COM on Windows) is used from this thread only.
  platform::Apartment apartment;
  StdoutLog log;
  try {
    app::InstallMailClient();
    app::Inventory inventory(log);
    inventory.FormActivate();
    inventory.Refresh();
  } catch (const common::Error& error) {
    return Fail(error.message());
  } catch (const std::exception& error) {
    return Fail(common::FromUtf8(error.what()));
  }
  return 0;
}
