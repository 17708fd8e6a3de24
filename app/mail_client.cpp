#include "app/mail_client.h"

#include "directory/live_directory.h"

namespace app {

std::unique_ptr<directory::MailDirectory> MailClientFor(platform::FileSystem& files, const Settings& settings) {
  const bool live_gal = !settings.gal_ldap.uri.empty();
#ifdef _WIN32
  // The mail client answers for both tables unless the address list is read over LDAP; the contacts
  // then come from their export file, as the build has no CardDAV.
  if (!live_gal) return std::make_unique<directory::OutlookDirectory>();
  const bool live_contacts = false;
#else
  const bool live_contacts = !settings.contacts_carddav.url.empty();
#endif
  if (live_gal || live_contacts) {
    return std::make_unique<directory::LiveDirectory>(
        files, live_gal ? std::optional(settings.gal_ldap) : std::nullopt, settings.gal_file,
        live_contacts ? std::optional(settings.contacts_carddav) : std::nullopt, settings.contacts_file,
        settings.workstation_codepage);
  }
  return std::make_unique<directory::DirectoryFiles>(files, settings.gal_file, settings.contacts_file,
                                                     settings.workstation_codepage);
}

}  // namespace app
