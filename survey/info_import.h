#pragma once

#include "common/log_sink.h"
#include "common/text.h"
#include "store/command.h"
#include "store/query.h"
#include "survey/survey_folder.h"

namespace survey {

// The host an info file belongs to: its file name less the last four characters, upper-cased.
// A file name of four characters or fewer gives the empty name.
common::Text InfoHostName(common::TextView path);

// Gives a host known only by its info file (`name` in `folder`) a placeholder row in USERS.
// An info file of 11 or 12 lines is completed with the host's looked-up address as line 12; the
// look-up is made whether or not a row is inserted. "SELECT COUNT (HOST) AS COUNT FROM USERS WHERE
// HOST = :HOST" on `ADOQuery` (left open) decides: a host with any row is left alone and nothing is
// logged; otherwise the host name is logged and the row inserted through `ADOCommand`. A file whose
// name gives an empty host name is read and then left alone: no look-up, no row, no log line.
// A file this run has already read as a survey file's companion (SurveyFolder::WasRead) is not read
// again when its host has a row: the count is asked first, and nothing else happens.
// Returns true when a row was inserted.
// Throws, nothing caught: WorkstationFileError (a common::Error) for a failure of the file, before
// anything is written: "Cannot open file "<path>". <reason>", and for a new host (after the log line)
// "List index out of bounds (<index>)" for an info file of fewer than 11 lines or "ADOCommand:
// Parameter 'SPEED' value '<value>' is not a whole number"; and common::Error for the store's failures.
bool AddInfoData(SurveyFolder& folder, const common::Text& name, store::Command& ADOCommand, store::Query& ADOQuery,
                 common::LogSink& log);

}  // namespace survey
