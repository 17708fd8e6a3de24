#include "app/settings.h"

#include "common/settings.h"

namespace app {

Settings DefaultSettings() {
  return Settings{common::settings::kSurveyFolder, common::settings::kDatabaseFolder, common::settings::kMailDomain,
                  common::settings::kGalFile, common::settings::kContactsFile, common::settings::kCodepage,
                  common::settings::kDbfCodepage};
}

common::Text DatabaseFolderOf(const common::Text& survey_folder) {
  return survey_folder + u"DB" + survey_folder.back();
}

bool EndsWithPathSeparator(common::TextView folder) {
  if (folder.empty()) return false;
#ifdef _WIN32
  if (folder.back() == u'\\') return true;
#endif
  return folder.back() == u'/';
}

}  // namespace app
