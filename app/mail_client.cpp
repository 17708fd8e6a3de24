#include "app/mail_client.h"

#ifndef _WIN32
#include "directory/outlook_stand_in.h"
#endif

namespace app {

void InstallMailClient([[maybe_unused]] platform::FileSystem& files) {
#ifndef _WIN32
  directory::RegisterOutlookStandIn(files);
#endif
}

}  // namespace app
