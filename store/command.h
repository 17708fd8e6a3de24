#pragma once

#include <memory>
#include <string>

#include "common/text.h"
#include "store/connection.h"
#include "store/parameters.h"

namespace store {

// A statement without a result set: CREATE TABLE, CREATE INDEX, DROP TABLE, INSERT, UPDATE, DELETE.
// Every statement takes effect when Execute() returns.
class Command {
 public:
  Command(std::string name, Connection& connection);
  ~Command();

  Connection& connection() const { return connection_; }

  // Replaces the parameter set by those named in the text. Throws "<name>: <reason>" for a text
  // outside the statement set the engine accepts (checked here or on Execute()).
  void SetText(const common::Text& text);
  const common::Text& CommandText() const { return text_; }

  // Throws "ADOCommand: Parameter 'X' not found".
  Parameter& Param(std::string_view name);

  // Opens the connection when needed and executes. Returns the records affected: the rows an UPDATE or
  // DELETE matched (whether or not a value changed), 1 for an INSERT, 0 for the others. Failures are
  // reported as "<name>: <reason>".
  size_t Execute();

 private:
  struct Compiled;
  std::string name_;
  Connection& connection_;
  common::Text text_;
  Parameters params_;
  std::unique_ptr<Compiled> compiled_;
};

}  // namespace store
