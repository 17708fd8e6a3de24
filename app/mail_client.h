#pragma once

#include <memory>

#include "app/settings.h"
#include "directory/mail_directory.h"
#include "platform/file_system.h"

namespace app {

// The mail directory each program hands down to its refresh runs. On Windows that is the mail client
// itself ("Outlook.Application" through COM, directory::OutlookDirectory); elsewhere it is the
// directory exports that `settings` names (gal_file, contacts_file; values that are not UTF-8 in
// workstation_codepage), read through `files`, which must outlive the returned object. With a live
// source in `settings` (gal_ldap, and not on Windows contacts_carddav) it is
// directory::LiveDirectory, which reads everything before the export drops a table; on Windows its
// contacts are then those of contacts_file.
std::unique_ptr<directory::MailDirectory> MailClientFor(platform::FileSystem& files, const Settings& settings);

}  // namespace app
