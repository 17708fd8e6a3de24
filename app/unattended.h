#pragma once

#include <optional>
#include <ostream>

#include "app/console.h"
#include "app/settings.h"
#include "common/clock.h"
#include "common/log_sink.h"
#include "directory/mail_directory.h"
#include "platform/file_system.h"

namespace app {

// What inventory-refresh is asked to do: the settings (its main starts from the compiled-in ones and
// lets its options override them) and how the run treats failing workstation files and reports itself.
struct UnattendedOptions {
  Settings settings;
  // A workstation file that fails is reported and skipped, and the run goes on (see SkipFile).
  bool keep_going = false;
  // One summary line on the error stream at the end (see RunUnattended).
  bool summary = false;
  // After a run that did not fail: remove the HISTORY rows older than this many days and pack the
  // table (Inventory::PurgeHistory).
  std::optional<int> purge_history_days{};
};

// One unattended run, every file reached through `files` (the flush included), the tables dated by
// `clock` and the directory exported from `mail`: the first-activation procedure and one refresh run
// of an Inventory whose log lines go to `log` in batches at most 50 ms apart (BatchedLog, each batch
// after a commit of the run's changes), then the purge when asked and the run did not fail. Everything is
// caught here. Writes to `err`, each as one line (a control character in a file name shows as "?"):
// - with keep_going, each skipped file's path, ": " and the text of its failure (with the window's
//   full-stop rule): "/mnt/mm/Basa/PC-7.txt: List index out of bounds (2)";
// - the text of a failure that ends the run (or the purge that follows it, purge_history_days);
// - with summary, last, even after a failure: "summary: imported=<survey files imported>
//   info-only=<info-only hosts added> skipped=<files skipped> mexport=<rows> texport=<rows>
//   email=<USERS rows that got an e-mail address> tel2=<rows that got a second telephone>
//   seconds=<wall-clock seconds, three decimals>".
// The tables the run wrote are flushed before anything is reported. Returns the exit status: 0, or 1
// when the run failed or a file was skipped.
int RunUnattended(platform::FileSystem& files, const common::Clock& clock, directory::MailDirectory& mail,
                  const UnattendedOptions& options, common::LogSink& log, std::ostream& err);

}  // namespace app
