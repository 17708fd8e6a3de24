#pragma once

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "common/text.h"
#include "store/connection.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "tests/support/child_run.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"

// The rows `select` reads through a connection of its own to `database_folder` (ending with a
// separator), in the order it reads them: each the texts of `columns` joined by "|", in UTF-8, so that
// a failure prints readably. Nothing the code under test holds open or cached takes part.
inline std::vector<std::string> ReadRows(const common::Text& database_folder, const common::Text& select,
                                         const std::vector<std::string>& columns) {
  store::Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                               "windows-1251"};
  connection.SetConnectionString(store::kConnectionStringPrefix + database_folder);
  store::Query query("ADOQuery", connection);
  query.SetText(select);
  query.Open();
  std::vector<std::string> rows;
  for (query.First(); !query.Eof(); query.Next()) {
    std::string row;
    for (size_t i = 0; i < columns.size(); ++i) row += (i ? "|" : "") + common::ToUtf8(query.FieldText(columns[i]));
    rows.push_back(std::move(row));
  }
  return rows;
}

// Every row of `table`, those columns, sorted: for comparing tables whose rows may lie in another order.
inline std::vector<std::string> TableRows(const common::Text& database_folder, const std::string& table,
                                          const std::vector<std::string>& columns) {
  std::string select = "SELECT ";
  for (size_t i = 0; i < columns.size(); ++i) select += (i ? ", " : "") + columns[i];
  std::vector<std::string> rows = ReadRows(database_folder, common::FromUtf8(select + " FROM " + table), columns);
  std::sort(rows.begin(), rows.end());
  return rows;
}
inline std::vector<std::string> TableRows(const std::string& database_folder, const std::string& table,
                                          const std::vector<std::string>& columns) {
  return TableRows(common::PathToText(database_folder), table, columns);
}

inline const std::vector<std::string>& UsersColumns() {
  static const std::vector<std::string> columns = {
      "HOST", "USER", "IP",  "FIO", "TEL", "ZDAN",  "ETAJ",   "KAB",     "EMAIL", "TEL2", "SPEED",
      "RAM",  "TYPE", "CPU", "HDD", "OS",  "OSVER", "W9XVER", "OSBUILD", "OSID",  "BIOS", "PRINTER"};
  return columns;
}

// The rows of every table a refresh run writes (TableRows, every column), by table. An export table
// that is missing has no entry: a run drops it before it creates it again.
using DatabaseRows = std::map<std::string, std::vector<std::string>>;
inline DatabaseRows ReadDatabase(const std::string& database_folder) {
  static const std::map<std::string, std::vector<std::string>> tables = {
      {"USERS", UsersColumns()}, {"MEXPORT", {"FIO", "EMAIL"}}, {"TEXPORT", {"FIO", "TEL"}}};
  DatabaseRows rows;
  for (const auto& [table, columns] : tables) {
    std::string file = table;
    for (char& c : file) c = static_cast<char>(c - 'A' + 'a');
    if (table == "USERS" || std::filesystem::exists(std::filesystem::path(database_folder) / (file + ".dbf"))) {
      rows[table] = TableRows(database_folder, table, columns);
    }
  }
  return rows;
}

// Whether Debian's python3-dbfread, an independent reader of dBase files, is installed.
inline bool DbfreadAvailable() { return testing_support::HaveDebianPythonModule("dbfread"); }

// HOST and FIO (or the first two fields) of every live record of a table as python3-dbfread reads it,
// joined by "|", sorted; or the reader's complaint as the only element.
inline std::vector<std::string> DbfreadRows(const std::filesystem::path& table) {
  std::string output = testing_support::RunPython(
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1], encoding='cp1251', char_decode_errors='strict')\n"
      "names = t.field_names[:2]\n"
      "for r in t: sys.stdout.buffer.write(('|'.join('' if r[n] is None else str(r[n]).rstrip() for n in names) + "
      "'\\n').encode('utf-8'))\n",
      {table.string()});
  std::vector<std::string> rows = testing_support::Lines(output);
  std::sort(rows.begin(), rows.end());
  return rows;
}
