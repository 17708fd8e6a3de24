#pragma once

#include "common/text.h"
#include "store/command.h"
#include "store/connection.h"

namespace store {

// The fixed connection string, followed directly by the database folder (which ends in a separator).
inline constexpr char16_t kConnectionStringPrefix[] =
    u"DRIVER=Microsoft dBase Driver (*.dbf);DriverID=533;FIL=dBase 5.0;DefaultDir=";

// True when `folder` + `file_name` names an existing file that is not a folder. On a case-sensitive
// file system the name is matched whatever its case (USERS.DBF copied from a Windows share is users.dbf).
// False when the folder cannot be opened; throws platform::CannotListFolder when it cannot be listed.
bool TableExists(platform::FileSystem& files, const common::Text& folder, const common::Text& file_name);

// The first-activation procedure: sets the connection string for `database_folder` on `connection`
// and, when users.dbf is missing, creates USERS and its eighteen indexes through `command`.
// Nothing is caught; a failing statement ends the procedure at that statement.
void PrepareInventoryDatabase(const common::Text& database_folder, Connection& connection, Command& command);

}  // namespace store
