#include "store/query.h"

#include <cmath>
#include <cstdlib>

#include "common/error.h"
#include "store/component_error.h"
#include "store/database.h"
#include "store/values.h"

namespace store {

struct Query::Cursor {
  ResultSet result;
  size_t row = 0;
  bool eof = true;
};

Query::Query(std::string name, Connection& connection) : name_(std::move(name)), connection_(connection) {
  connection_.Attach(this);
}

Query::~Query() { connection_.Detach(this); }

void Query::SetText(const common::Text& text) {
  Close();
  if (text == text_) return;
  text_ = text;
  params_.Reset(sql::ParameterNames(text_));
}

Parameter& Query::Param(std::string_view name) { return params_.Find(name_, name); }

void Query::Open() {
  if (cursor_) return;
  connection_.TraceStatement(name_, text_);
  std::shared_ptr<const sql::Statement> statement = AsComponent(name_, [&] {
    auto parsed = sql::ParseShared(text_);
    if (!parsed->returns_rows()) throw common::Error(u"The statement returns no rows");
    return parsed;
  });
  Database& database = connection_.Open();
  auto cursor = std::make_unique<Cursor>();
  cursor->result = AsComponent(name_, [&] { return database.Select(*statement, params_); });
  cursor->eof = cursor->result.rows.empty();
  cursor_ = std::move(cursor);
}

void Query::Close() { cursor_.reset(); }

bool Query::Active() const { return cursor_ != nullptr; }

namespace {
[[noreturn]] void ClosedDataset(const std::string& component) {
  throw common::ComponentError(component, u"Cannot perform this operation on a closed dataset");
}
}  // namespace

void Query::First() {
  if (!cursor_) ClosedDataset(name_);
  cursor_->row = 0;
  cursor_->eof = cursor_->result.rows.empty();
}

void Query::Next() {
  if (!cursor_) ClosedDataset(name_);
  // At the last row the cursor stays on it and reports the end.
  if (cursor_->row + 1 < cursor_->result.rows.size()) {
    ++cursor_->row;
  } else {
    cursor_->eof = true;
  }
}

bool Query::Eof() const { return !cursor_ || cursor_->eof; }

const common::Text& Query::FieldText(std::string_view field) const {
  static const common::Text kAbsent;
  if (!cursor_) ClosedDataset(name_);
  const ResultSet& result = cursor_->result;
  for (size_t i = 0; i < result.columns.size(); ++i) {
    if (!common::EqualsIgnoreAsciiCase(result.columns[i], field)) continue;
    if (result.rows.empty()) return kAbsent;
    return result.rows[cursor_->row][i];
  }
  throw common::ComponentError(name_, u"Field '" + common::FromUtf8(field) + u"' not found");
}

int64_t Query::FieldInteger(std::string_view field) const {
  common::Text text = FieldText(field);
  if (text.empty()) return 0;
  if (std::optional<int32_t> number = ParseIntegerText(text)) return *number;
  // A numeric column with decimals ("1234.5") reads as the nearest whole number.
  std::string ascii = common::ToUtf8(text);
  char* end = nullptr;
  double value = std::strtod(ascii.c_str(), &end);
  if (end != ascii.c_str() && *end == '\0' && ascii.find_first_not_of("+-.0123456789 ") == std::string::npos &&
      std::isfinite(value)) {
    return std::llround(value);
  }
  throw common::ComponentError(name_,
                               u"Field '" + common::FromUtf8(field) + u"' value '" + text + u"' is not a number");
}

}  // namespace store
