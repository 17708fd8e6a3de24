#include "app/mail_client.h"

#ifndef _WIN32
#include "directory/live_directory.h"
#endif

namespace app {

std::unique_ptr<directory::MailDirectory> MailClientFor([[maybe_unused]] platform::FileSystem& files,
                                                        [[maybe_unused]] const Settings& settings) {
#ifdef _WIN32
  return std::make_unique<directory::OutlookDirectory>();
#else
  const bool live_gal = !settings.gal_ldap.uri.empty();
  const bool live_contacts = !settings.contacts_carddav.url.empty();
  if (live_gal || live_contacts) {
    return std::make_unique<directory::LiveDirectory>(
        files, live_gal ? std::optional(settings.gal_ldap) : std::nullopt, settings.gal_file,
        live_contacts ? std::optional(settings.contacts_carddav) : std::nullopt, settings.contacts_file,
        settings.workstation_codepage);
  }
  return std::make_unique<directory::DirectoryFiles>(files, settings.gal_file, settings.contacts_file,
                                                     settings.workstation_codepage);
#endif
}

}  // namespace app
