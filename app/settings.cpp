#include "app/settings.h"

#include "app/compiled_settings.h"

namespace app {

Settings DefaultSettings() {
  return Settings{compiled::kSurveyFolder, compiled::kDatabaseFolder, compiled::kMailDomain, compiled::kGalFile,
                  compiled::kContactsFile, compiled::kCodepage, compiled::kDbfCodepage, compiled::kHistory};
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
