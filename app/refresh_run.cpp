#include "app/refresh_run.h"

#include "survey/workstation_file_error.h"

namespace app {

namespace {

// Runs one file's stage; false when the file failed and was skipped.
template <typename Stage>
bool ImportFile(const SkipFile& skip, RunCounts& counts, const common::Text& path, Stage stage) {
  if (!skip) {
    stage(path);
    return true;
  }
  try {
    stage(path);
    return true;
  } catch (const survey::WorkstationFileError& failure) {
    skip(path, failure);
    ++counts.files_skipped;
    return false;
  }
}

}  // namespace

void RunRefresh(RefreshStages& stages, survey::SurveyFolder& survey_folder, RunCounts& counts, const SkipFile& skip) {
  counts.exported = stages.GetExchange();
  // The folder is used exactly as configured; each path is the folder followed by the listed name.
  const common::Text& folder = survey_folder.path();
  for (const common::Text& name : survey_folder.Matches(kSurveyMask)) {
    if (ImportFile(skip, counts, folder + name, [&](const common::Text& path) { stages.AddData(path); })) {
      ++counts.survey_files_imported;
    }
  }
  for (const common::Text& name : survey_folder.Matches(kInfoMask)) {
    bool added = false;
    ImportFile(skip, counts, folder + name, [&](const common::Text& path) { added = stages.AddInfoData(path); });
    if (added) ++counts.info_only_hosts_added;
  }
  counts.merged = stages.MergeContacts();
  stages.CloseConnectionIfConnected();
}

void RunRefresh(RefreshStages& stages, survey::SurveyFolder& survey_folder) {
  RunCounts counts;
  RunRefresh(stages, survey_folder, counts);
}

}  // namespace app
