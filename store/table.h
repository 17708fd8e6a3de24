#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "store/connection.h"

namespace store {

// Appends rows to one table. The table name is set while closed; Post() writes the row at once.
class Table : public Connection::Dataset {
 public:
  Table(std::string name, Connection& connection);
  ~Table() override;

  // Throws "<name>: Cannot perform this operation on an open dataset" while open.
  void SetTableName(const common::Text& table_name);

  void Open();
  void Close();
  bool Active() const;

  // The open table's column names, upper case, in the table's order: a reader can learn the layout
  // of a table another program wrote before it asks for columns. Throws "<name>: Cannot perform
  // this operation on a closed dataset" while closed.
  const std::vector<std::string>& FieldNames() const;

  void Append();
  // Throws "<name>: Field 'X' not found".
  void SetField(std::string_view field, const common::Text& value);
  void Post();

  void CloseDataset() override { Close(); }

 private:
  struct State;
  std::string name_;
  Connection& connection_;
  common::Text table_name_;
  std::unique_ptr<State> state_;
};

}  // namespace store
