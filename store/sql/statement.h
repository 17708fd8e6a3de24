#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"

// The statements the engine understands, as text. Keywords ignore case, blanks between tokens are
// free, a trailing ";" is allowed. Values never appear in the text: every value is a named
// parameter (":HOST"), bound when the statement runs.
//
//   CREATE TABLE t (c VARCHAR(n), c INTEGER, c DATE, ...)
//   CREATE INDEX i ON t (c)
//   DROP TABLE t
//   INSERT INTO t (c, ...) VALUES (:p, ...)
//   UPDATE t SET c = :p WHERE c = :p
//   DELETE FROM t WHERE c = :p
//   SELECT c, ... FROM t
//   SELECT COUNT(c) AS name FROM t WHERE c = :p
namespace store::sql {

enum class StatementKind { kCreateTable, kCreateIndex, kDropTable, kInsert, kUpdate, kDelete, kSelect, kSelectCount };
enum class ColumnType { kVarchar, kInteger, kDate };

struct ColumnDefinition {
  std::string name;
  ColumnType type = ColumnType::kVarchar;
  int width = 0;  // VARCHAR only
};

// "column = :parameter"
struct Binding {
  std::string column;
  std::string parameter;
};

struct Statement {
  StatementKind kind = StatementKind::kSelect;
  std::string table;                          // upper case
  std::vector<ColumnDefinition> definitions;  // CREATE TABLE
  std::string index;                          // CREATE INDEX
  std::vector<std::string> columns;           // CREATE INDEX (one), INSERT, SELECT, COUNT (one)
  std::vector<std::string> parameters;        // INSERT values, in column order
  std::optional<Binding> set;                 // UPDATE
  std::optional<Binding> where;               // UPDATE, DELETE, COUNT
  std::string alias;                          // COUNT ... AS alias

  bool returns_rows() const { return kind == StatementKind::kSelect || kind == StatementKind::kSelectCount; }
};

// Parses one statement. Throws common::Error naming what was expected and where, e.g.
// "Statement not supported: expected FROM at "WHERE HOST = :HOST"". Column and table names come back
// in upper case; parameter names as written.
Statement Parse(common::TextView text);

// Parse with a small process-wide memo of recent texts, for statements prepared again and again.
std::shared_ptr<const Statement> ParseShared(common::TextView text);

// The parameter names of a text, in order of first appearance, each once (names ignore case).
// Works on any text, also one that Parse refuses.
std::vector<std::string> ParameterNames(common::TextView text);

}  // namespace store::sql
