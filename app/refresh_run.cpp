#include "app/refresh_run.h"

#include "platform/enumerate.h"

namespace app {

void RunRefresh(RefreshStages& stages, const common::Text& survey_folder) {
  stages.GetExchange();
  // The folder is used exactly as configured; each path is the folder followed by the listed name.
  platform::EnumerateMatches(survey_folder + kSurveyMask,
                             [&](const common::Text& name) { stages.AddData(survey_folder + name); });
  platform::EnumerateMatches(survey_folder + kInfoMask,
                             [&](const common::Text& name) { stages.AddInfoData(survey_folder + name); });
  stages.MergeContacts();
  stages.CloseConnectionIfConnected();
}

}  // namespace app
