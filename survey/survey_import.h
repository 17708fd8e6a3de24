#pragma once

#include "common/log_sink.h"
#include "common/text.h"
#include "store/command.h"
#include "survey/survey_folder.h"

namespace survey {

// Imports the survey file `name` of `folder` into USERS, replacing every row of its host.
// Logs its path first. The info lines come from the companion info file when the folder's listing
// holds one (SurveyFolder::Lists), else from
// DefaultInfoLines, and are completed with an empty line 12. The host's rows are removed with
// "DELETE FROM USERS WHERE HOST = :HOST" and one row is inserted through `ADOCommand`.
// Both files are read, every line the row needs is taken and SPEED, RAM and HDD are checked before
// the removal, so a file that would fail leaves the host's existing row in place.
// Throws, nothing caught: WorkstationFileError (a common::Error) for a failure of either file,
// before anything is written: "Cannot open file "<path>". <reason>", "List index out of bounds
// (<index>)" for the first missing line in binding order, "ADOCommand: Parameter 'SPEED' value
// '<value>' is not a whole number" (or "... is out of range (-2147483648 to 2147483647)"); and
// common::Error for the store's failures.
void AddData(SurveyFolder& folder, const common::Text& name, store::Command& ADOCommand, common::LogSink& log);

}  // namespace survey
