#pragma once

#include <cstddef>
#include <functional>

#include "common/error.h"
#include "common/text.h"
#include "directory/contact_merge.h"
#include "directory/directory_export.h"
#include "survey/survey_folder.h"

namespace app {

// The search masks of the refresh run, appended to the survey folder.
inline constexpr char16_t kSurveyMask[] = u"*.txt";
inline constexpr char16_t kInfoMask[] = u"*.nfo";

// The stages that one refresh run calls, in this order. Each stage lets its failures out as
// common::Error; a failure of one workstation file is a survey::WorkstationFileError.
class RefreshStages {
 public:
  virtual ~RefreshStages() = default;

  // Rebuilds the export tables MEXPORT and TEXPORT from the mail directory; returns their rows.
  virtual directory::ExportCounts GetExchange() = 0;
  // Imports one survey file; `path` is the survey folder followed by the entry's name.
  virtual void AddData(const common::Text& path) = 0;
  // Imports one info file whose host has no row yet; `path` as for AddData. True when it added a row.
  virtual bool AddInfoData(const common::Text& path) = 0;
  // Carries e-mail addresses and telephone numbers from the export tables into USERS; returns the rows
  // that got them.
  virtual directory::MergeCounts MergeContacts() = 0;
  // Closes the database connection when it is open.
  virtual void CloseConnectionIfConnected() = 0;
};

// What one run did, counted as it goes: a run that fails leaves what it had counted.
struct RunCounts {
  size_t survey_files_imported = 0;
  size_t info_only_hosts_added = 0;
  size_t files_skipped = 0;
  directory::ExportCounts exported;
  directory::MergeCounts merged;
};

// How a run treats a workstation file that fails (survey::WorkstationFileError). Without a handler the
// failure ends the run like any other. With one, the handler is given the file's path (the survey folder
// followed by the entry's name, as the stage got it) and the failure, the file is counted as skipped
// (the host's row stays as it was) and the run goes on with the next file; a handler that throws ends
// the run.
using SkipFile = std::function<void(const common::Text& path, const common::Error& failure)>;

// One refresh run over `survey_folder`: GetExchange; AddData for every entry matching "*.txt";
// AddInfoData for every entry matching "*.nfo" (SurveyFolder::Matches, from one listing of the folder
// made after GetExchange: folders and hidden entries included, listing order, a folder that cannot be
// opened gives no entries, a listing that fails stops the run with the system's reason);
// MergeContacts; CloseConnectionIfConnected. A failing stage ends the run there (but see SkipFile):
// later files and stages are skipped and the connection is left as it is. Disabling and enabling the
// button around the run is the caller's part; after a failure the caller leaves it disabled.
void RunRefresh(RefreshStages& stages, survey::SurveyFolder& survey_folder, RunCounts& counts,
                const SkipFile& skip = nullptr);
void RunRefresh(RefreshStages& stages, survey::SurveyFolder& survey_folder);

}  // namespace app
