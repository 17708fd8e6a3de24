// inventory-refresh: one unattended refresh run, for a cron job or a timer. It performs the
// first-activation procedure and one refresh run through the same Inventory as the window, writes each
// log line to standard output and failures (and, when asked, a summary) to standard error. Its options
// override the compiled-in settings; see `inventory-refresh --help` and README.md.
// Exit status: 0 done; 1 the run failed, or a workstation file was skipped; 2 bad command line.
#include <CLI/CLI.hpp>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/mail_client.h"
#include "app/settings.h"
#include "app/system_clock.h"
#include "app/unattended.h"
#include "platform/apartment.h"
#include "platform/command_line.h"
#include "platform/file_system.h"

namespace {

constexpr char kUsage[] =
    "usage: inventory-refresh [--survey-folder DIR] [--mail-domain DOMAIN]"
#ifndef _WIN32
    " [--gal-file FILE] [--contacts-file FILE]"
#endif
    " [--keep-going] [--summary] [--help] [--version]";

// The options over the compiled-in settings. Returns the exit status when the program ends here
// (--help, --version, a bad command line), else -1.
int ParseOptions(const std::vector<std::string>& arguments, app::UnattendedOptions& options) {
  app::Settings& settings = options.settings;
  CLI::App cli("One unattended refresh run of the workstation inventory.", "inventory-refresh");
  cli.set_version_flag("--version", "inventory-refresh " INVENTORY_VERSION);
  std::string survey_folder, mail_domain, gal_file, contacts_file;
  cli.add_option("--survey-folder", survey_folder,
                 "Survey folder, ending with a path separator; the database folder is DIR followed by DB")
      ->type_name("DIR")
      ->check([](const std::string& value) {
        return app::EndsWithPathSeparator(common::PathToText(value)) ? std::string()
                                                                     : "the folder must end with a path separator";
      });
  cli.add_option("--mail-domain", mail_domain, "The organisation's mail domain, without the at sign")
      ->type_name("DOMAIN")
      ->check([](const std::string& value) {
        return value.empty() || value.find('@') != std::string::npos ? "a domain without the at sign is needed"
                                                                    : std::string();
      });
#ifndef _WIN32
  cli.add_option("--gal-file", gal_file, "LDIF export of the global address list")->type_name("FILE");
  cli.add_option("--contacts-file", contacts_file, "vCard export of the contacts folder")->type_name("FILE");
#endif
  cli.add_flag("--keep-going", options.keep_going,
               "Report a workstation file that fails on standard error, skip it and go on; exit 1 at the end");
  cli.add_flag("--summary", options.summary, "Write one summary line on standard error at the end");

  // CLI11 takes the arguments last first.
  std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
  try {
    cli.parse(reversed);
  } catch (const CLI::Success& done) {
    return cli.exit(done);  // --help or --version, on standard output
  } catch (const CLI::ParseError& error) {
    std::cerr << "inventory-refresh: " << error.what() << '\n' << kUsage << '\n';
    return 2;
  }
  if (!survey_folder.empty()) {
    settings.survey_folder = common::PathToText(survey_folder);
    settings.database_folder = app::DatabaseFolderOf(settings.survey_folder);
  }
  if (!mail_domain.empty()) settings.mail_domain = common::PathToText(mail_domain);
  if (!gal_file.empty()) settings.gal_file = common::PathToText(gal_file);
  if (!contacts_file.empty()) settings.contacts_file = common::PathToText(contacts_file);
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  app::UnattendedOptions options{app::DefaultSettings()};
  if (int status = ParseOptions(platform::CommandLineArguments(argc, argv), options); status >= 0) return status;
  // The mail client's automation (COM on Windows) is used from this thread only.
  platform::Apartment apartment;
  app::StdoutLog log;
  platform::SystemFileSystem files;
  app::SystemClock clock;
  std::unique_ptr<directory::MailDirectory> mail = app::MailClientFor(files, options.settings);
  return app::RunUnattended(files, clock, *mail, options, log, std::cerr);
}
