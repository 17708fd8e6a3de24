#include "app/refresh_run.h"


namespace app {

void RunRefresh(RefreshStages& stages, survey::SurveyFolder& survey_folder) {
  stages.GetExchange();
  // The folder is used exactly as configured; each path is the folder followed by the listed name.
  for (const common::Text& name : survey_folder.Matches(kSurveyMask)) stages.AddData(survey_folder.path() + name);
  for (const common::Text& name : survey_folder.Matches(kInfoMask)) stages.AddInfoData(survey_folder.path() + name);
  stages.MergeContacts();
  stages.CloseConnectionIfConnected();
}

}  // namespace app
