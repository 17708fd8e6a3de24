#pragma once

#include <optional>
#include <string>
#include <vector>

#include "directory/carddav_contacts.h"
#include "directory/ldap_gal.h"
#include "directory/mail_directory.h"
#include "directory/outlook_stand_in.h"

namespace directory {

// The mail directory read live: the address list from an LDAP directory and the contacts from a
// CardDAV address book, either of them from its export file instead when no live source is given
// for it. Load() reads both completely; each application object then answers from what was read
// (OutlookObjectModel), so a failure never leaves one table rebuilt and the other not.
class LiveDirectory : public MailDirectory {
 public:
  // `gal` empty: the address list comes from `gal_file`; `contacts` empty: the contacts come from
  // `contacts_file`. Export values that are not UTF-8 are in `codepage`. `files` must outlive this.
  LiveDirectory(platform::FileSystem& files, std::optional<LdapSource> gal, common::Text gal_file,
                std::optional<CardDavSource> contacts, common::Text contacts_file, std::string codepage);

  // Reads both; throws the reader's common::Error ("Cannot read the address list from <uri>: ...",
  // "Cannot read the contacts from <url>: ...", or the export file's) and keeps nothing then.
  void Load() override;
  // The object model over what Load read (Load runs first when it has not). A failure of that Load
  // becomes "<text>, ProgID: "Outlook.Application"" (MadeAsOutlook).
  platform::AutomationRef CreateApplication() override;
  void Release() override;

 private:
  platform::FileSystem& files_;
  std::optional<LdapSource> gal_;
  common::Text gal_file_;
  std::optional<CardDavSource> contacts_;
  common::Text contacts_file_;
  std::string codepage_;
  bool loaded_ = false;
  GalList entries_;
  ContactList cards_;
};

}  // namespace directory
