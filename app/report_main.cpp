// inventory-report: one HTML page over the inventory, with CSV files of the lists beside it.
//
//   inventory-report [--survey-folder DIR] [--database-folder DIR] [-o FILE]
//                    [--max-workstations N] [--stale-days D]
//
// Exit status 0 when the page is written; 1 when it cannot be (no inventory in the database folder,
// a table that cannot be read, a file that cannot be written), with the reason on standard error;
// 2 for a bad command line, with the usage line on standard error.
#include <CLI/CLI.hpp>

#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "app/console.h"
#include "app/settings.h"
#include "app/system_clock.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "report/inventory_report.h"
#include "report/report_page.h"

namespace {

constexpr char kUsage[] =
    "usage: inventory-report [--survey-folder DIR] [--database-folder DIR] [-o FILE] [--max-workstations N] "
    "[--stale-days D]";

// A folder as the core expects it: ending in a path separator.
common::Text AsFolder(const std::string& argument) {
  common::Text folder = common::PathToText(argument);
#ifdef _WIN32
  if (!folder.empty() && folder.back() != u'\\' && folder.back() != u'/') folder += u'\\';
#else
  if (!folder.empty() && folder.back() != u'/') folder += u'/';
#endif
  return folder;
}

int Run(int argc, const char* const* argv) {
  std::string survey_folder;
  std::string database_folder;
  std::string output = "report.html";
  report::ReportSettings settings;

  CLI::App cli{
      "Writes one HTML page over the inventory (USERS, MEXPORT, TEXPORT and the survey folder), "
      "with each list to act on also as a CSV file beside it.",
      "inventory-report"};
  cli.set_version_flag("--version", std::string("inventory-report ") + INVENTORY_VERSION);
  cli.add_option("--survey-folder", survey_folder, "Survey folder (default: the compiled-in one)");
  cli.add_option("--database-folder", database_folder, "Database folder (default: the survey folder + DB)");
  cli.add_option("-o,--output", output, "The page to write; the CSV files go beside it")->capture_default_str();
  cli.add_option("--max-workstations", settings.max_workstations, "List a person named on more workstations than this")
      ->capture_default_str()
      ->check(CLI::Range(1, 1000000));
  cli.add_option("--stale-days", settings.stale_days, "List a host whose newest file is older than this many days")
      ->capture_default_str()
      ->check(CLI::Range(0, 100000));
  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return cli.exit(error);  // --help, --version
    std::cerr << "inventory-report: " << error.what() << '\n' << kUsage << '\n';
    return 2;
  }

  const app::Settings defaults = app::DefaultSettings();
  settings.survey_folder = survey_folder.empty() ? defaults.survey_folder : AsFolder(survey_folder);
  if (!database_folder.empty()) {
    settings.database_folder = AsFolder(database_folder);
  } else if (survey_folder.empty()) {
    settings.database_folder = defaults.database_folder;
  } else {
    settings.database_folder = settings.survey_folder + u"DB" + settings.survey_folder.back();
  }
  settings.now = static_cast<int64_t>(std::time(nullptr));
  settings.dbf_codepage = defaults.dbf_codepage;
  return app::RunReportingFailure([&] {
    platform::SystemFileSystem files;
    app::SystemClock clock;
    report::Report report = report::GatherReport(files, clock, settings);
    report::WriteReport(files, report, common::PathToText(output));
  });
}

}  // namespace

#ifdef _WIN32
// The command line as the system keeps it (UTF-16), so that folder names outside the ANSI code page
// arrive intact; CLI11 gets it as UTF-8.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) {
    arguments.push_back(common::ToUtf8(common::TextView(reinterpret_cast<const char16_t*>(argv[i]))));
  }
  std::vector<const char*> pointers;
  for (const std::string& argument : arguments) pointers.push_back(argument.c_str());
  return Run(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return Run(argc, argv); }
#endif
