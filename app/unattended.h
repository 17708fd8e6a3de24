#pragma once

#include <functional>
#include <ostream>

#include "app/settings.h"
#include "common/clock.h"
#include "common/log_sink.h"
#include "directory/mail_directory.h"
#include "platform/file_system.h"

namespace app {

// The log of the unattended programs: each line on standard output (UTF-8) as it comes.
class StdoutLog : public common::LogSink {
 public:
  void Log(const common::Text& line) override;
};

// Runs `run` and returns the exit status: 0, or 1 after writing the failure's text to standard error
// with the window's full-stop rule. Every failure is caught here, as the window catches at its
// event boundary.
int RunReportingFailure(const std::function<void()>& run);

// What inventory-refresh is asked to do: the settings (its main starts from the compiled-in ones and
// lets its options override them) and how the run treats failing workstation files and reports itself.
struct UnattendedOptions {
  Settings settings;
  // A workstation file that fails is reported and skipped, and the run goes on (see SkipFile).
  bool keep_going = false;
  // One summary line on the error stream at the end (see RunUnattended).
  bool summary = false;
};

// One unattended run, every file reached through `files` (the flush included), the tables dated by
// `clock` and the directory exported from `mail`: the first-activation procedure and one refresh run
// of an Inventory with `log`. Everything is caught here. Writes to `err`,
// each as one line (a control character in a file name shows as "?"):
// - with keep_going, each skipped file's path, ": " and the text of its failure (with the window's
//   full-stop rule): "/mnt/mm/Basa/PC-7.txt: List index out of bounds (2)";
// - the text of a failure that ends the run;
// - with summary, last, even after a failure: "summary: imported=<survey files imported>
//   info-only=<info-only hosts added> skipped=<files skipped> mexport=<rows> texport=<rows>
//   email=<USERS rows that got an e-mail address> tel2=<rows that got a second telephone>
//   seconds=<wall-clock seconds, three decimals>".
// The tables the run wrote are flushed before anything is reported. Returns the exit status: 0, or 1
// when the run failed or a file was skipped.
int RunUnattended(platform::FileSystem& files, const common::Clock& clock, directory::MailDirectory& mail,
                  const UnattendedOptions& options, common::LogSink& log, std::ostream& err);

}  // namespace app
