#include "app/mail_client.h"

namespace app {

std::unique_ptr<directory::MailDirectory> MailClientFor([[maybe_unused]] platform::FileSystem& files,
                                                        [[maybe_unused]] const Settings& settings) {
#ifdef _WIN32
  return std::make_unique<directory::OutlookDirectory>();
#else
  return std::make_unique<directory::DirectoryFiles>(files, settings.gal_file, settings.contacts_file,
                                                     settings.workstation_codepage);
#endif
}

}  // namespace app
