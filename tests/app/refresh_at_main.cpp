// inventory-refresh-at: the unattended refresh program for tests, on folders named on its command line
// instead of the fixed settings: inventory-refresh-at <survey folder> <database folder>. Both folders
// end in a path separator. The mail client is our stand-in over the survey folder's directory/gal.ldif
// and directory/contacts.vcf. It runs the same unattended run as the shipped program (first activation,
// one refresh run, the log lines on standard output in batches, each after a commit), and on failure
// writes the error's text to standard error and exits 1.
#include <iostream>

#include "app/unattended.h"
#include "directory/mail_directory.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_settings.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: inventory-refresh-at <survey folder> <database folder>\n";
    return 2;
  }
  app::StdoutLog log;
  common::Text survey_folder = common::PathToText(argv[1]);
  platform::SystemFileSystem files;
  directory::DirectoryFiles mail(files, survey_folder + u"directory/gal.ldif",
                                 survey_folder + u"directory/contacts.vcf", "windows-1251");
  app::UnattendedOptions options{testing_support::TestSettings(survey_folder, common::PathToText(argv[2]))};
  return app::RunUnattended(files, testing_support::TestClock(), mail, options, log, std::cerr);
}
