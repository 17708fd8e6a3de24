#pragma once

#include <string>

#include "common/text.h"
#include "directory/carddav_contacts.h"
#include "directory/ldap_gal.h"

namespace app {

// What a program tells the layers below it about this installation. Built here in app/, from the
// compiled-in settings (DefaultSettings) or from the unattended program's options, and handed down;
// nothing below app/ reads the compiled-in settings.
struct Settings {
  // Where workstations leave <host>.txt and <host>.nfo; ends with a path separator.
  common::Text survey_folder;
  // The survey folder followed by "DB" and that folder's own separator (see DatabaseFolderOf).
  common::Text database_folder;
  // The organisation's mail domain, without the at sign.
  common::Text mail_domain;
  // The directory exports behind the mail client stand-in (on Windows, where the mail client itself
  // answers, only the contacts file, beside an address list read over LDAP).
  common::Text gal_file;
  common::Text contacts_file;
  // Code page of workstation files without a byte-order mark, also of directory export values that
  // are not UTF-8 and of a host name handed to the name service (an ICU converter name; on Windows
  // "ACP" is the system's ANSI code page).
  std::string workstation_codepage;
  // Code page of an existing .dbf table whose header names none.
  std::string dbf_codepage;
  // Whether a refresh run records the changes it made to USERS rows in HISTORY (store/history.h).
  bool history = true;
  // The live sources that take the place of the exports: the address list from an LDAP directory
  // when gal_ldap.uri is given (on Windows in place of the mail client, the contacts then coming from
  // contacts_file), the contacts from a CardDAV address book when contacts_carddav.url is given (not
  // on Windows); the export file of a table with a live source is not read.
  directory::LdapSource gal_ldap;
  directory::CardDavSource contacts_carddav;
};

// The settings compiled into this build (app/compiled_settings.h).
Settings DefaultSettings();

// The database folder of a survey folder that ends with a path separator: the folder, "DB" and the
// same separator ("/share/" gives "/share/DB/", "\\srv\mm$\" gives "\\srv\mm$\DB\").
common::Text DatabaseFolderOf(const common::Text& survey_folder);

// True when `folder` ends with a path separator: "/", or on Windows also "\".
bool EndsWithPathSeparator(common::TextView folder);

}  // namespace app
