#pragma once

#include <cstddef>

#include "common/text.h"
#include "directory/mail_directory.h"
#include "store/command.h"
#include "store/connection.h"
#include "store/table.h"

namespace directory {

// Rebuilds the export tables of `database_folder` from `mail`, the mail directory app/ hands down
// (one application object created for each table):
//
// MEXPORT gets one row per entry of the global address list, in the order the list hands them out:
// FIO is the display name trimmed and upper-cased, EMAIL is MakeEmail(address, mail_domain).
// TEXPORT gets one row per contact of the default contacts folder that has both a name and a
// business telephone: FIO is CleanFIO(last name) + " " + CleanFIO(first name), trimmed, and TEL is
// CleanPhone of the telephone as the contact holds it.
//
// mail.Load() comes first, so a source that fails there leaves both tables as they were, and
// mail.Release() last, on return or failure.
// Each table is dropped through `command` when its file exists, created and indexed, and written row
// by row through `table`; `connection` is closed once, after MEXPORT is written, and is open again
// when this returns. Nothing is caught: the first failure (the store's, "<reason>, ProgID:
// "Outlook.Application"", "Method '%s' not supported by automation object", or the mail client's
// description of a rejected call) propagates, the rows posted so far stay and `table` stays open.
// Every automation reference taken is released on return or failure.
// Returns the rows written to each table.
struct ExportCounts {
  size_t mexport_rows = 0;
  size_t texport_rows = 0;
};
ExportCounts GetExchange(MailDirectory& mail, store::Connection& connection, store::Command& command,
                         store::Table& table, const common::Text& database_folder, const common::Text& mail_domain);

}  // namespace directory
