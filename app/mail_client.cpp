#include "app/mail_client.h"

#ifndef _WIN32
#include "directory/outlook_stand_in.h"
#endif

namespace app {

void InstallMailClient() {
#ifndef _WIN32
  directory::RegisterOutlookStandIn();
#endif
}

}  // namespace app
