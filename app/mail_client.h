#pragma once

#include "app/settings.h"
#include "platform/file_system.h"

namespace app {

// Makes "Outlook.Application" available to the mail directory export. On Windows that is the real
// mail client, reached through COM; elsewhere it is our stand-in over the directory exports that
// `settings` names (gal_file, contacts_file; values that are not UTF-8 in workstation_codepage), read
// through `files` (which must outlive every refresh run). Called once at start by each program,
// before the first refresh run.
void InstallMailClient(platform::FileSystem& files, const Settings& settings);

}  // namespace app
