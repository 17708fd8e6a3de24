#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/clock.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "store/parameters.h"
#include "store/sql/statement.h"
#include "store/table_cache.h"

namespace store {

// The rows a query returns, decoded: column names in upper case and one text per cell (the empty
// text for an absent value).
struct ResultSet {
  std::vector<std::string> columns;
  std::vector<std::vector<common::Text>> rows;
};

// A value on its way into a column, with where it came from for messages ("Parameter 'SPEED'").
struct BoundValue {
  std::string source;
  ParamKind kind = ParamKind::kText;
  common::TextView text;
};

// What statements changed on disk, for a flush at the end of a run, by database folder (its path as
// messages show it): the table files written there, by name (created, or a record added, changed or
// deleted), and whether a table was created or dropped there. A dropped table's file leaves the list.
struct WrittenFiles {
  struct Folder {
    std::set<common::Text> files;
    bool entries_changed = false;
  };
  std::map<common::Text, Folder> folders;
};

// The tables of one database folder: each table is the file <lower-case name>.dbf there, found
// whatever the case of its name. Every statement takes effect on disk before it returns, in the page
// cache, which survives a killed process; with group commit on (SetGroupCommit), statements keep their
// changes in memory and Commit writes them, each table in few large writes in an order that keeps it
// sound at every moment (docs/dbf-layout.md, "Writing: the commit"), and forces them to stable storage.
//
// What the engine knows of a table (its layout, which records are deleted, its equality indexes) is
// read when a statement first uses the table and kept while this object lives (the connection is
// open): the engine takes itself for the tables' only writer meanwhile, as the database folder's lock
// keeps other refresh runs out. Indexes are hash maps from a column's stored value to its records,
// built from one pass over the table the first time a statement looks a column up, and kept up to
// date by every write after that.
//
// "WHERE column = :value" compares as dBase does: character values without their trailing blanks,
// so the empty text finds the rows whose field is blank and "PC-12 " finds "PC-12", while leading
// blanks count (" PC-12" does not find "PC-12"); numbers by their digits, a blank number matching
// nothing. COUNT(column) counts the found rows where the column is not null; only a blank number is.
//
// Errors are common::Error with the reason alone; the components add their name.
class Database {
 public:
  // Opens `folder` through `files`, which must outlive the object. Throws common::Error
  // "Cannot open the database folder "%s". %s" when it is not an existing folder, and "Unknown code
  // page '%s'" when `default_codepage` (the code page of a table whose header names none, see
  // platform::Codepage) is not one. `clock` (which must outlive the object) dates each table the
  // engine creates or writes. `written`, when given, is told of every change on disk and must outlive
  // this object.
  Database(platform::FileSystem& files, const common::Clock& clock, const common::Text& folder,
           std::string_view default_codepage, WrittenFiles* written = nullptr);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Runs a statement that returns no rows (a SELECT runs and its rows are dropped). Returns the rows
  // the statement matched: those an UPDATE or DELETE found, 1 for an INSERT, 0 for the others.
  size_t Execute(const sql::Statement& statement, const Parameters& parameters);
  ResultSet Select(const sql::Statement& statement, const Parameters& parameters);

  // Group commit on or off; turning it off commits.
  void SetGroupCommit(bool on);
  // Writes every change not yet written; with group commit on, forces them to stable storage too. A
  // failure leaves them pending for the next Commit. Changes pending at destruction are committed, a
  // failure then ignored.
  void Commit();

  // Hands `watch` (nothing: none) its table's rows from now on; see RowWatch. It must outlive its use.
  void SetRowWatch(RowWatch* watch) { tables_->SetWatch(watch); }

  // For the table component: the columns of a table, and one new row from values by column.
  std::vector<std::string> Columns(std::string_view table);
  void Append(std::string_view table, const std::vector<std::pair<std::string, BoundValue>>& values);

 private:
  void CreateTable(const sql::Statement& statement);
  void Insert(const std::string& table, const std::vector<std::pair<std::string, BoundValue>>& values);
  // Tells `written_` of a change to the table file `file_name` (and, `named`, to the folder's entries).
  void Wrote(const common::Text& file_name, bool named = false);
  // After a statement changed `table`: commits it at once without group commit, else when its
  // pending changes pass a bound.
  void Changed(TableWriter& table);

  common::Text shown_;  // the folder as messages show it
  std::unique_ptr<platform::Folder> folder_;
  std::unique_ptr<TableCache> tables_;
  const common::Clock& clock_;
  WrittenFiles* written_;
  bool group_commit_ = false;
};

}  // namespace store
