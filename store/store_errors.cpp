#include "store/store_errors.h"

namespace store {

namespace {

common::Error Utf8Error(const std::string& message) { return common::Error(common::FromUtf8(message)); }

}  // namespace

common::Error TableNotFound(const std::string& table, common::TextView file, common::TextView folder) {
  common::Text message = common::FromUtf8("Table " + table + " not found: there is no file ");
  message += file;
  message += u" in \"";
  message += folder;
  message += u"\"";
  return common::Error(std::move(message));
}

common::Error TableExistsAlready(const std::string& table) { return Utf8Error("Table " + table + " already exists"); }

common::Error ColumnNotFound(const std::string& column, const std::string& table) {
  return Utf8Error("Column '" + column + "' not found in table " + table);
}

common::Error ParameterNotFound(const std::string& name) { return Utf8Error("Parameter '" + name + "' not found"); }

common::Error ColumnNameTooLong(const std::string& column) {
  return Utf8Error("Column name " + column + " is longer than 10 characters");
}

common::Error ColumnDeclaredTwice(const std::string& column) {
  return Utf8Error("Column " + column + " is declared twice");
}

common::Error ColumnNamedTwice(const std::string& column) { return Utf8Error("Column " + column + " is named twice"); }

common::Error IndexExistsAlready(const std::string& index, const std::string& table) {
  return Utf8Error("Index " + index + " already exists on table " + table);
}

common::Error StaleIndexFile(const std::string& table, common::TextView file) {
  return Utf8Error("Table " + table + " has a dBase index file (" + common::ToUtf8(file) +
                   ") that this program cannot keep up to date; the table is not changed");
}

common::Error ReturnsNoRows() { return Utf8Error("The statement returns no rows"); }

}  // namespace store
