#include "store/command.h"

#include "store/component_error.h"
#include "store/database.h"

namespace store {

struct Command::Compiled {
  std::shared_ptr<const sql::Statement> statement;
};

Command::Command(std::string name, Connection& connection) : name_(std::move(name)), connection_(connection) {}

Command::~Command() = default;

void Command::SetText(const common::Text& text) {
  text_ = text;
  params_.Reset(sql::ParameterNames(text_));
  compiled_.reset();
}

Parameter& Command::Param(std::string_view name) { return params_.Find(name_, name); }

size_t Command::Execute() {
  connection_.TraceStatement(name_, text_);
  if (!compiled_) {
    compiled_ = std::make_unique<Compiled>(AsComponent(name_, [&] { return Compiled{sql::ParseShared(text_)}; }));
  }
  Database& database = connection_.Open();
  return AsComponent(name_, [&] { return database.Execute(*compiled_->statement, params_); });
}

}  // namespace store
