#pragma once

#include "app/settings.h"
#include "common/text.h"
#include "directory/mail_directory.h"

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

}  // namespace testing_support
