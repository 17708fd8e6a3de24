#include "app/mail_client.h"

#ifndef _WIN32
#include "directory/outlook_stand_in.h"
#endif

namespace app {

void InstallMailClient([[maybe_unused]] platform::FileSystem& files, [[maybe_unused]] const Settings& settings) {
#ifndef _WIN32
  directory::RegisterOutlookStandIn(files, settings.gal_file, settings.contacts_file, settings.workstation_codepage);
#endif
}

}  // namespace app
