#include "app/unattended.h"

#include <chrono>
#include <exception>
#include <iostream>
#include <string>

#include "app/error_text.h"
#include "app/inventory.h"
#include "app/run_controller.h"
#include "common/error.h"

namespace app {

namespace {

// A failure's text as one line: a file name may hold line breaks and other control characters.
void WriteLine(std::ostream& err, common::Text line) {
  for (char16_t& c : line) {
    if (c < u' ' || c == u'\x7F') c = u'?';
  }
  err << common::ToUtf8(line) << '\n' << std::flush;
}

void WriteSummary(std::ostream& err, const RunCounts& counts, std::chrono::steady_clock::duration elapsed) {
  long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
  std::string fraction = std::to_string(ms % 1000);
  err << "summary: imported=" << counts.survey_files_imported << " info-only=" << counts.info_only_hosts_added
      << " skipped=" << counts.files_skipped << " mexport=" << counts.exported.mexport_rows
      << " texport=" << counts.exported.texport_rows << " email=" << counts.merged.email_rows
      << " tel2=" << counts.merged.tel2_rows << " seconds=" << ms / 1000 << '.' << std::string(3 - fraction.size(), '0')
      << fraction << '\n'
      << std::flush;
}

}  // namespace

int RunUnattended(platform::FileSystem& files, const common::Clock& clock, directory::MailDirectory& mail,
                  const UnattendedOptions& options, common::LogSink& log, std::ostream& err) {
  const auto start = std::chrono::steady_clock::now();
  RunCounts counts;
  int status = 0;
  // The lines go out in batches, as the window shows them, each after a commit of what came before.
  BatchedLog batched([&](const std::vector<common::Text>& lines) { log.LogLines(lines); });
  try {
    Inventory inventory(files, clock, mail, batched, options.settings);
    batched.SetBeforeShow([&] { inventory.Commit(); });
    inventory.FormActivate();
    SkipFile skip;
    if (options.keep_going) {
      // A nightly log over thousands of files: the line has to say which file to go and fix.
      skip = [&](const common::Text& path, const common::Error& failure) {
        WriteLine(err, path + u": " + ErrorText(failure.message()));
      };
    }
    inventory.Refresh(counts, skip);
    if (counts.files_skipped > 0) status = 1;
    batched.Flush();
    if (options.purge_history_days) inventory.PurgeHistory(*options.purge_history_days);
  } catch (...) {
    batched.Flush();
    WriteLine(err, FailureText(std::current_exception()));
    status = 1;
  }
  if (options.summary) WriteSummary(err, counts, std::chrono::steady_clock::now() - start);
  return status;
}

}  // namespace app
