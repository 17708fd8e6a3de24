#pragma once

#include <cstddef>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"
#include "store/command.h"
#include "store/row_watch.h"

// The change history of the inventory: HISTORY (history.dbf) holds one row per column of a host's
// USERS row that a refresh run changed, appended at the run's end; rows are never changed or deleted
// but by a purge.
namespace store {

// FIELD of a host's first row, whose NEW_VALUE is its FIO; and of the row a purge leaves.
inline constexpr char16_t kCreatedMark[] = u"*CREATED*";
inline constexpr char16_t kPurgedMark[] = u"*PURGED*";

// A watch of the USERS columns whose changes are recorded, by HOST: USER, FIO, TEL, ZDAN, ETAJ, KAB,
// IP, SPEED, CPU, RAM, HDD, OS, OSVER, BIOS, PRINTER, EMAIL, TEL2.
RowWatch UsersHistoryWatch();

// When a run records its changes, local time.
struct ChangeStamp {
  common::Text date;  // "YYYYMMDD"
  common::Text time;  // "HH:MM:SS"
};

// Appends to HISTORY through `command`, all with `stamp`: for each row of `changes` one row per
// changed column (FIELD the column, OLD_VALUE and NEW_VALUE its values), or for a created row one
// row FIELD "*CREATED*" with its FIO as NEW_VALUE. Creates HISTORY first when history.dbf is missing
// in `database_folder`. Writes nothing at all when `changes` is empty. Returns the rows appended.
// Nothing is caught: a failing statement ends it there, the rows appended before it stay.
size_t RecordHistory(const common::Text& database_folder, Command& command, const std::vector<ChangedRow>& changes,
                     const ChangeStamp& stamp);
// The same for the changes `watch` sees (RowWatch::ForEachChange), each written as it comes.
size_t RecordHistory(const common::Text& database_folder, Command& command, const RowWatch& watch,
                     const ChangeStamp& stamp);

// Removes from HISTORY every row dated before `first_kept` ("YYYYMMDD"; a row without a date stays)
// and every deleted record, then appends one row FIELD "*PURGED*" with blank HOST and OLD_VALUE, the
// day before `first_kept` as NEW_VALUE (the rows up to that day are gone) and `stamp` as its date and
// time. Returns the rows removed; nothing is done when history.dbf is missing. The engine must not
// hold HISTORY open (close the connection first), and the caller must hold the database folder's lock.
// The packed table replaces the old one in one rename (platform::Folder::ReplaceFile) and is flushed
// with the folder: a process killed at any moment leaves the old table or the packed one. Throws the file system's
// errors, "Table file ... is damaged: ..." for a damaged table, StaleIndexFile when history.mdx is there and
// ColumnNotFound when the table has no CHG_DATE; the table is then as it was.
size_t PurgeHistory(const common::Text& database_folder, Command& command, const common::Text& first_kept,
                    const ChangeStamp& stamp);

}  // namespace store
