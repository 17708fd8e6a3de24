#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/text.h"
#include "store/connection.h"
#include "store/parameters.h"

namespace store {

// A statement with a result set: SELECT of columns of one table, or SELECT COUNT(column) AS COUNT
// with a WHERE parameter.
class Query : public Connection::Dataset {
 public:
  Query(std::string name, Connection& connection);
  ~Query() override;

  // Always closes the query; re-creates the parameters only when the text differs from the current.
  void SetText(const common::Text& text);
  // Throws "<name>: Parameter 'X' not found".
  Parameter& Param(std::string_view name);

  void Open();
  void Close();
  bool Active() const;

  void First();
  void Next();
  bool Eof() const;

  // Field values of the current row by name (case ignored). An absent value reads as the empty text
  // or 0. Throws "<name>: Field 'X' not found". The text stays valid, and unchanged, until the query
  // closes: a reader of many rows may keep it rather than copy it.
  const common::Text& FieldText(std::string_view field) const;
  int64_t FieldInteger(std::string_view field) const;

  void CloseDataset() override { Close(); }

 private:
  struct Cursor;
  std::string name_;
  Connection& connection_;
  common::Text text_;
  Parameters params_;
  std::unique_ptr<Cursor> cursor_;
};

}  // namespace store
