#pragma once

#include <string>
#include <vector>

#include "common/text.h"
#include "store/connection.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "tests/support/system_files.h"

namespace directory::testing {

// The rows of `select` as read through a fresh connection to `folder`, each as its `fields` joined
// by "|" in UTF-8, so that failures print readably.
inline std::vector<std::string> ReadRows(const common::Text& folder, const common::Text& select,
                                         const std::vector<std::string>& fields) {
  store::Connection connection(testing_support::SystemFiles(), "Reader", "windows-1251");
  connection.SetConnectionString(store::kConnectionStringPrefix + folder);
  store::Query query("ReaderQuery", connection);
  query.SetText(select);
  query.Open();
  query.First();
  std::vector<std::string> rows;
  for (; !query.Eof(); query.Next()) {
    std::string row;
    for (size_t i = 0; i < fields.size(); ++i) row += (i == 0 ? "" : "|") + common::ToUtf8(query.FieldText(fields[i]));
    rows.push_back(row);
  }
  return rows;
}

}  // namespace directory::testing
