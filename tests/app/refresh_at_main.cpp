// inventory-refresh-at: the unattended refresh program for tests, on folders named on its command line
// instead of the fixed settings: inventory-refresh-at <survey folder> <database folder>. Both folders
// end in a path separator. The mail client is our stand-in over the survey folder's directory/gal.ldif
// and directory/contacts.vcf. It runs the same Inventory as the shipped program (first activation, one
// refresh run), writes each log line to standard output as it comes, and on failure writes the error's
// text to standard error and exits 1.
#include <exception>
#include <iostream>

#include "app/error_text.h"
#include "app/inventory.h"
#include "common/error.h"
#include "common/log_sink.h"
#include "directory/outlook_stand_in.h"

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

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: inventory-refresh-at <survey folder> <database folder>\n";
    return 2;
  }
  StdoutLog log;
  try {
    common::Text survey_folder = common::PathToText(argv[1]);
    directory::RegisterOutlookStandIn(survey_folder + u"directory/gal.ldif", survey_folder + u"directory/contacts.vcf");
    app::Inventory inventory(log, survey_folder, common::PathToText(argv[2]));
    inventory.FormActivate();
    inventory.Refresh();
  } catch (const common::Error& error) {
    return Fail(error.message());
  } catch (const std::exception& error) {
    return Fail(common::FromUtf8(error.what()));
  }
  return 0;
}
