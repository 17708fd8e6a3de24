#pragma once

#include <cstddef>

#include "store/command.h"
#include "store/query.h"

namespace directory {

// Carries this run's export into USERS by the person's name key: every MEXPORT row's EMAIL into the
// EMAIL of the USERS rows with the same FIO, then every TEXPORT row's TEL into their TEL2. Rows are
// visited in the order the store returns them, so of several export rows with one name the last
// visited wins. An export row with an empty name matches nothing and is passed over; no USERS row is
// ever added.
//
// `query` walks the export tables and is left open at the end of the TEXPORT rows; `command` runs
// one update per export row. Nothing is caught: a store failure propagates and the updates made
// before it stay.
//
// Returns the USERS rows this merge gave a value: those whose name matched an export row, each counted
// once however many export rows carry its name, when the value that row ended with is not blank.
struct MergeCounts {
  size_t email_rows = 0;
  size_t tel2_rows = 0;
};
MergeCounts MergeContacts(store::Query& query, store::Command& command);

}  // namespace directory
