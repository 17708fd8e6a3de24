// Placeholder until the engine lands: every operation fails clearly.
#include "common/error.h"
#include "store/command.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "store/table.h"

namespace store {

class Database {};

namespace {
[[noreturn]] void NotYet() { throw common::Error(u"The database engine is not built yet"); }
}  // namespace

Connection::Connection(std::string name) : name_(std::move(name)) {}
Connection::~Connection() = default;
void Connection::SetConnectionString(const common::Text& text) { connection_string_ = text; }
bool Connection::Connected() const { return database_ != nullptr; }
void Connection::Close() {}
Database& Connection::Open() { NotYet(); }
void Connection::Attach(Dataset*) {}
void Connection::Detach(Dataset*) {}

struct Command::Compiled {};
Command::Command(std::string name, Connection& connection) : name_(std::move(name)), connection_(connection) {}
Command::~Command() = default;
void Command::SetText(const common::Text& text) { text_ = text; }
Parameter& Command::Param(std::string_view) { NotYet(); }
void Command::Execute() { NotYet(); }

struct Query::Cursor {};
Query::Query(std::string name, Connection& connection) : name_(std::move(name)), connection_(connection) {}
Query::~Query() = default;
void Query::SetText(const common::Text& text) { text_ = text; }
Parameter& Query::Param(std::string_view) { NotYet(); }
void Query::Open() { NotYet(); }
void Query::Close() {}
bool Query::Active() const { return false; }
void Query::First() { NotYet(); }
void Query::Next() { NotYet(); }
bool Query::Eof() const { return true; }
common::Text Query::FieldText(std::string_view) const { NotYet(); }
int64_t Query::FieldInteger(std::string_view) const { NotYet(); }

struct Table::State {};
Table::Table(std::string name, Connection& connection) : name_(std::move(name)), connection_(connection) {}
Table::~Table() = default;
void Table::SetTableName(const common::Text& table_name) { table_name_ = table_name; }
void Table::Open() { NotYet(); }
void Table::Close() {}
bool Table::Active() const { return false; }
void Table::Append() { NotYet(); }
void Table::SetField(std::string_view, const common::Text&) { NotYet(); }
void Table::Post() { NotYet(); }

bool TableExists(const common::Text&, const common::Text&) { return false; }
void PrepareInventoryDatabase(const common::Text& database_folder, Connection& connection, Command&) {
  connection.SetConnectionString(kConnectionStringPrefix + database_folder);
}

}  // namespace store
