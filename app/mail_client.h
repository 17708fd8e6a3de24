#pragma once

#include "app/settings.h"

namespace app {

// Makes "Outlook.Application" available to the mail directory export. On Windows that is the real
// mail client, reached through COM; elsewhere it is our stand-in over the directory exports that
// `settings` names (gal_file, contacts_file). Called once at start by each program, before the first
// refresh run.
void InstallMailClient(const Settings& settings);

}  // namespace app
