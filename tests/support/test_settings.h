#pragma once

#include "app/settings.h"
#include "common/text.h"
#include "directory/mail_directory.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace testing_support {

// Settings a test states outright, none of them taken from the build: the survey folder given (ending
// in a path separator) and the database folder given, or its "DB" subfolder; the mail domain
// "eflab.example"; the directory exports gal.ldif and contacts.vcf in the survey folder; windows-1251
// for workstation files and for tables whose header names no code page.
inline app::Settings TestSettings(const common::Text& survey_folder, common::Text database_folder = {}) {
  app::Settings settings;
  settings.survey_folder = survey_folder;
  settings.database_folder = database_folder.empty() ? app::DatabaseFolderOf(survey_folder) : database_folder;
  settings.mail_domain = u"eflab.example";
  settings.gal_file = survey_folder + u"gal.ldif";
  settings.contacts_file = survey_folder + u"contacts.vcf";
  settings.workstation_codepage = "windows-1251";
  settings.dbf_codepage = "windows-1251";
  return settings;
}

// The mail directory of an inventory whose export a test never runs.
inline directory::MailDirectory& UnusedMail() {
  static directory::OutlookDirectory mail;
  return mail;
}

// The directory exports TestSettings names, written in `share`, and the mail directory that reads
// them: one person, Иванов Иван, with an address-list entry (ivanov@eflab.example) and a contact with
// two work telephones, of which TEL2 takes the first (21-45).
inline directory::DirectoryFiles IvanovDirectory(const TempFolder& share) {
  share.Write("gal.ldif",
              "dn: cn=ivanov,dc=example\ndisplayName: Иванов Иван\n"
              "legacyExchangeDN: /o=E/ou=G/cn=Recipients/cn=ivanov\n");
  share.Write("contacts.vcf",
              "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Иванов;Иван;;;\r\nTEL;TYPE=WORK:21-45, 21-46\r\nEND:VCARD\r\n");
  return directory::DirectoryFiles(SystemFiles(), share.PathOf("gal.ldif"), share.PathOf("contacts.vcf"),
                                   "windows-1251");
}

}  // namespace testing_support
