#include "store/table.h"

#include <vector>

#include "common/error.h"
#include "store/component_error.h"
#include "store/database.h"

namespace store {

struct Table::State {
  std::vector<std::string> columns;
  bool inserting = false;
  std::vector<std::pair<std::string, common::Text>> values;
};

Table::Table(std::string name, Connection& connection) : name_(std::move(name)), connection_(connection) {
  connection_.Attach(this);
}

Table::~Table() { connection_.Detach(this); }

void Table::SetTableName(const common::Text& table_name) {
  if (state_) throw common::ComponentError(name_, u"Cannot perform this operation on an open dataset");
  table_name_ = table_name;
}

void Table::Open() {
  if (state_) return;
  Database& database = connection_.Open();
  auto state = std::make_unique<State>();
  state->columns = AsComponent(name_, [&] {
    if (table_name_.empty()) throw common::Error(u"No table name is set");
    for (char16_t c : table_name_) {
      bool plain = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_';
      if (!plain) throw common::Error(u"Invalid table name '" + table_name_ + u"'");
    }
    return database.Columns(common::ToUtf8(table_name_));
  });
  state_ = std::move(state);
}

void Table::Close() { state_.reset(); }

bool Table::Active() const { return state_ != nullptr; }

const std::vector<std::string>& Table::FieldNames() const {
  if (!state_) throw common::ComponentError(name_, u"Cannot perform this operation on a closed dataset");
  return state_->columns;
}

void Table::Append() {
  if (!state_) throw common::ComponentError(name_, u"Cannot perform this operation on a closed dataset");
  if (state_->inserting) Post();
  state_->inserting = true;
  state_->values.clear();
}

void Table::SetField(std::string_view field, const common::Text& value) {
  if (!state_) throw common::ComponentError(name_, u"Cannot perform this operation on a closed dataset");
  const std::string* column = nullptr;
  for (const std::string& name : state_->columns) {
    if (common::EqualsIgnoreAsciiCase(name, field)) column = &name;
  }
  if (column == nullptr) throw common::ComponentError(name_, u"Field '" + common::FromUtf8(field) + u"' not found");
  if (!state_->inserting) throw common::ComponentError(name_, u"Dataset not in edit or insert mode");
  for (auto& [name, text] : state_->values) {
    if (name == *column) {
      text = value;
      return;
    }
  }
  state_->values.emplace_back(*column, value);
}

void Table::Post() {
  if (!state_) throw common::ComponentError(name_, u"Cannot perform this operation on a closed dataset");
  if (!state_->inserting) return;
  Database& database = connection_.Open();
  std::vector<std::pair<std::string, BoundValue>> values;
  for (const auto& [column, text] : state_->values) {
    values.emplace_back(column, BoundValue{"Field '" + column + "'", ParamKind::kText, text});
  }
  AsComponent(name_, [&] { database.Append(common::ToUtf8(table_name_), values); });
  state_->inserting = false;
}

}  // namespace store
