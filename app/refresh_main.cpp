// inventory-refresh: one unattended refresh run with the fixed settings, for a cron job or a timer.
// It performs the first-activation procedure and one refresh run through the same Inventory as the
// window, writes each log line to standard output and, on failure, the error's text (with the window's
// full-stop rule) to standard error, and exits 1.
#include <iostream>

#include "app/inventory.h"
#include "app/mail_client.h"
#include "app/unattended.h"
#include "platform/apartment.h"
#include "platform/file_system.h"

int main(int argc, char**) {
  if (argc > 1) {
    std::cerr << "inventory-refresh takes no arguments; its folders are fixed when it is built.\n";
    return 2;
  }
  // The mail client's automation (COM on Windows) is used from this thread only.
  platform::Apartment apartment;
  app::StdoutLog log;
  return app::RunReportingFailure([&] {
    platform::SystemFileSystem files;
    app::InstallMailClient(files);
    app::Inventory inventory(files, log);
    inventory.FormActivate();
    inventory.Refresh();
  });
}
