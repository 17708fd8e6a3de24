#pragma once

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "store/connection.h"
#include "store/database.h"
#include "store/query.h"
#include "tests/support/system_files.h"

// What a table holds, read through a connection of its own: one text per row, the named columns
// joined by "|", in UTF-8, sorted.
inline std::vector<std::string> TableRows(const std::string& database_folder, const std::string& table,
                                          const std::vector<std::string>& columns) {
  store::Connection connection{testing_support::SystemFiles(), "ADOConnection", "windows-1251"};
  connection.SetConnectionString(u"DRIVER=Microsoft dBase Driver (*.dbf);DriverID=533;FIL=dBase 5.0;DefaultDir=" +
                                 common::PathToText(database_folder));
  store::Query query("ADOQuery", connection);
  std::string text = "SELECT ";
  for (size_t i = 0; i < columns.size(); ++i) text += (i ? ", " : "") + columns[i];
  query.SetText(common::FromUtf8(text + " FROM " + table));
  query.Open();
  std::vector<std::string> rows;
  for (query.First(); !query.Eof(); query.Next()) {
    std::string row;
    for (size_t i = 0; i < columns.size(); ++i) row += (i ? "|" : "") + common::ToUtf8(query.FieldText(columns[i]));
    rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

inline const std::vector<std::string>& UsersColumns() {
  static const std::vector<std::string> columns = {
      "HOST", "USER", "IP", "FIO", "TEL", "ZDAN", "ETAJ", "KAB", "EMAIL", "TEL2", "SPEED",
      "RAM", "TYPE", "CPU", "HDD", "OS", "OSVER", "W9XVER", "OSBUILD", "OSID", "BIOS", "PRINTER"};
  return columns;
}

inline std::string RunPython(const std::string& script) {
  std::string command = "/usr/bin/python3 -c '" + script + "' 2>&1";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output;
}

// Whether Debian's python3-dbfread, an independent reader of dBase files, is installed.
inline bool DbfreadAvailable() { return RunPython("import dbfread; print(\"yes\")") == "yes\n"; }

// HOST and FIO (or the first two fields) of every live record of a table as python3-dbfread reads it,
// joined by "|", sorted; or the reader's complaint as the only element.
inline std::vector<std::string> DbfreadRows(const std::filesystem::path& table) {
  std::string output = RunPython(
      "import sys, dbfread\n"
      "t = dbfread.DBF(sys.argv[1] if len(sys.argv) > 1 else \"" + table.string() + "\", encoding=\"cp1251\", char_decode_errors=\"strict\")\n"
      "names = t.field_names[:2]\n"
      "for r in t: sys.stdout.buffer.write((\"|\".join(\"\" if r[n] is None else str(r[n]).rstrip() for n in names) + \"\\n\").encode(\"utf-8\"))\n");
  std::vector<std::string> rows;
  size_t start = 0;
  for (size_t end; (end = output.find('\n', start)) != std::string::npos; start = end + 1) {
    rows.push_back(output.substr(start, end - start));
  }
  if (start < output.size()) rows.push_back(output.substr(start));
  std::sort(rows.begin(), rows.end());
  return rows;
}
