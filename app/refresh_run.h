#pragma once

#include "common/text.h"
#include "survey/survey_folder.h"

namespace app {

// The search masks of the refresh run, appended to the survey folder.
inline constexpr char16_t kSurveyMask[] = u"*.txt";
inline constexpr char16_t kInfoMask[] = u"*.nfo";

// The stages that one refresh run calls, in this order. Each stage lets its failures out as
// common::Error; the run catches nothing.
class RefreshStages {
 public:
  virtual ~RefreshStages() = default;

  // Rebuilds the export tables MEXPORT and TEXPORT from the mail directory.
  virtual void GetExchange() = 0;
  // Imports one survey file; `path` is the survey folder followed by the entry's name.
  virtual void AddData(const common::Text& path) = 0;
  // Imports one info file whose host has no row yet; `path` as for AddData.
  virtual void AddInfoData(const common::Text& path) = 0;
  // Carries e-mail addresses and telephone numbers from the export tables into USERS.
  virtual void MergeContacts() = 0;
  // Closes the database connection when it is open.
  virtual void CloseConnectionIfConnected() = 0;
};

// One refresh run over `survey_folder`: GetExchange; AddData for every entry matching "*.txt";
// AddInfoData for every entry matching "*.nfo" (SurveyFolder::Matches, from one listing of the
// folder made after GetExchange: folders and hidden entries included, listing order, a folder that
// cannot be opened gives no entries, a listing that fails stops the run with the system's reason);
// MergeContacts; CloseConnectionIfConnected. A failing stage ends the run there: later files and
// stages are skipped and the connection is left as it is. Disabling and enabling the button around
// the run is the caller's part; after a failure the caller leaves it disabled.
void RunRefresh(RefreshStages& stages, survey::SurveyFolder& survey_folder);

}  // namespace app
