#pragma once

#include <string>

#include "common/error.h"
#include "common/text.h"

// The engine's message texts, one factory each. The components put their own name before them.
namespace store {

// "Table <table> not found: there is no file <file> in "<folder>"".
common::Error TableNotFound(const std::string& table, common::TextView file, common::TextView folder);
// "Table <table> already exists".
common::Error TableExistsAlready(const std::string& table);
// "Column '<column>' not found in table <table>".
common::Error ColumnNotFound(const std::string& column, const std::string& table);
// "Parameter '<name>' not found".
common::Error ParameterNotFound(const std::string& name);
// "Column name <column> is longer than 10 characters".
common::Error ColumnNameTooLong(const std::string& column);
// "Column <column> is declared twice" / "Column <column> is named twice".
common::Error ColumnDeclaredTwice(const std::string& column);
common::Error ColumnNamedTwice(const std::string& column);
// "Index <index> already exists on table <table>".
common::Error IndexExistsAlready(const std::string& index, const std::string& table);
// "Table <table> has a dBase index file (<file>) that this program cannot keep up to date; the table
// is not changed".
common::Error StaleIndexFile(const std::string& table, common::TextView file);
// "The statement returns no rows".
common::Error ReturnsNoRows();

}  // namespace store
