#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/text.h"
#include "store/parameters.h"
#include "store/sql/statement.h"

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

// What statements changed on disk, for a flush at the end of a run: the table files written (created,
// or a record added, changed or deleted) and the folders where a table was created or dropped. A
// dropped table's file leaves the list.
struct WrittenFiles {
  std::set<std::filesystem::path> files;
  std::set<std::filesystem::path> folders;
};

// The tables of one database folder: each table is the file <lower-case name>.dbf there, found
// whatever the case of its name. Every statement takes effect on disk before it returns.
//
// What the engine knows of a table (its layout, which records are deleted, its equality indexes) is
// kept process-wide and survives this object, so a folder opened again does not read unchanged
// tables again; a file that changed on disk since (size, time or identity) is read afresh. Indexes
// are hash maps from a column's stored value to its records, built from one pass over the table the
// first time a statement looks a column up, and kept up to date by every write after that.
//
// "WHERE column = :value" compares as dBase does: character values without their trailing blanks,
// so the empty text finds the rows whose field is blank and "PC-12 " finds "PC-12", while leading
// blanks count (" PC-12" does not find "PC-12"); numbers by their digits, a blank number matching
// nothing. COUNT(column) counts the found rows where the column is not null; only a blank number is.
//
// Errors are common::Error with the reason alone; the components add their name.
class Database {
 public:
  // Throws common::Error when `folder` is not an existing folder. `written`, when given, is told of
  // every change on disk and must outlive this object.
  explicit Database(std::filesystem::path folder, WrittenFiles* written = nullptr);
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  const std::filesystem::path& folder() const { return folder_; }

  // Runs a statement that returns no rows (a SELECT runs and its rows are dropped). Returns the rows
  // the statement matched: those an UPDATE or DELETE found, 1 for an INSERT, 0 for the others.
  size_t Execute(const sql::Statement& statement, const Parameters& parameters);
  ResultSet Select(const sql::Statement& statement, const Parameters& parameters);

  // For the table component: the columns of a table, and one new row from values by column.
  std::vector<std::string> Columns(std::string_view table);
  void Append(std::string_view table, const std::vector<std::pair<std::string, BoundValue>>& values);

  // Forgets what is known process-wide about the tables of every folder (for tests that change
  // files behind the engine's back within one clock tick).
  static void ForgetCachedTables();

 private:
  struct Handle;
  Handle& Acquire(const std::string& table);
  void Drop(const std::string& table);
  void Wrote(const std::filesystem::path& file, bool named = false);

  std::filesystem::path folder_;
  WrittenFiles* written_;
  std::map<std::string, std::unique_ptr<Handle>> handles_;
};

}  // namespace store
