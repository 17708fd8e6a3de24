#include "store/database.h"

#include <algorithm>

#include "common/error.h"
#include "platform/codepage.h"
#include "store/dbf/format.h"
#include "store/dbf/record_codec.h"
#include "store/dbf/table_file.h"
#include "store/store_errors.h"

namespace store {

namespace {

using sql::Statement;
using sql::StatementKind;

BoundValue FromParameter(const Parameters& parameters, const std::string& name) {
  const Parameter* parameter = parameters.FindOrNull(name);
  if (parameter == nullptr) throw ParameterNotFound(name);
  return BoundValue{"Parameter '" + parameter->name() + "'", parameter->kind(), parameter->value()};
}

std::string Encode(const TableWriter& table, int field, const BoundValue& value) {
  return dbf::EncodeValue(table.FieldAt(field), table.codepage(), value.text, value.kind == ParamKind::kInteger,
                          value.source);
}

// The live records where `field` equals the parameter that `where` names.
std::vector<uint32_t> Where(TableWriter& table, int field, const sql::Binding& where, const Parameters& parameters) {
  return table.Lookup(field, Encode(table, field, FromParameter(parameters, where.parameter)));
}

}  // namespace

Database::Database(platform::FileSystem& files, const common::Clock& clock, const common::Text& folder,
                   std::string_view default_codepage, WrittenFiles* written)
    : clock_(clock), written_(written) {
  // Paths go into messages in the system's own form, so that any folder name reads right.
  shown_ = platform::FsPathToText(platform::TextToFsPath(folder));
  try {
    folder_ = files.OpenFolder(folder);
  } catch (const platform::CannotOpenFolder& error) {
    throw common::Error(u"Cannot open the database folder \"" + shown_ + u"\". " + error.reason());
  }
  tables_ = std::make_unique<TableCache>(*folder_, shown_, platform::Codepage::Get(default_codepage), clock_);
}

void Database::Wrote(const common::Text& file_name, bool named) {
  if (written_ == nullptr) return;
  WrittenFiles::Folder& here = written_->folders[shown_];
  here.files.insert(file_name);
  if (named) here.entries_changed = true;
}

Database::~Database() {
  try {
    Commit();
  } catch (const std::exception&) {
    // The owner commits before it lets go; this is for one that failed meanwhile.
  }
}

void Database::SetGroupCommit(bool on) {
  if (!on) Commit();
  group_commit_ = on;
}

void Database::Commit() { tables_->Commit(group_commit_); }

void Database::Changed(TableWriter& table) {
  // A commit writes a few MiB of changes at most, besides the unchanged bytes between them; of a
  // large table it gathers an eighth at least: changes spread over the whole table (the merge sets a
  // field of most rows) are written as runs that cover most of it, whatever their own size, and a
  // fixed bound would have each of ever more commits rewrite the whole table.
  constexpr size_t kPendingBound = 8 << 20;
  if (!group_commit_ || table.pending_bytes() >= std::max(kPendingBound, table.held_bytes() / 8)) {
    table.Commit(group_commit_);
  }
}

void Database::CreateTable(const Statement& statement) {
  if (tables_->Exists(statement.table)) throw TableExistsAlready(statement.table);
  std::vector<dbf::Field> fields;
  for (const sql::ColumnDefinition& column : statement.definitions) {
    if (column.name.size() > dbf::kMaxFieldNameLength) throw ColumnNameTooLong(column.name);
    for (const dbf::Field& field : fields) {
      if (field.name == column.name) throw ColumnDeclaredTwice(column.name);
    }
    dbf::Field field;
    field.name = column.name;
    if (column.type == sql::ColumnType::kInteger) {
      field.type = 'N';
      field.width = dbf::kIntegerWidth;
    } else if (column.type == sql::ColumnType::kDate) {
      field.type = 'D';
      field.width = dbf::kDateWidth;
    } else {
      field.width = column.width;
    }
    fields.push_back(std::move(field));
  }
  const common::Text name = TableCache::FileNameOf(statement.table);
  dbf::CreateTableFile(*folder_, name, std::move(fields), dbf::kLdidWindows1251, clock_.Today());
  Wrote(name, true);
}

void Database::Insert(const std::string& table_name, const std::vector<std::pair<std::string, BoundValue>>& values) {
  TableWriter& table = tables_->Acquire(table_name);
  std::string record(table.header().record_length, ' ');
  std::vector<bool> seen(table.header().fields.size());
  for (const auto& [column, value] : values) {
    int field = table.Field(column);
    if (seen[static_cast<size_t>(field)]) throw ColumnNamedTwice(column);
    seen[static_cast<size_t>(field)] = true;
    const dbf::Field& f = table.FieldAt(field);
    record.replace(f.offset, static_cast<size_t>(f.width), Encode(table, field, value));
  }
  Wrote(table.file_name());
  table.Insert(std::move(record));
  Changed(table);
}

size_t Database::Execute(const Statement& statement, const Parameters& parameters) {
  switch (statement.kind) {
    case StatementKind::kCreateTable:
      CreateTable(statement);
      return 0;
    case StatementKind::kDropTable: {
      common::Text dropped = tables_->Drop(statement.table);
      if (written_ != nullptr) {
        WrittenFiles::Folder& here = written_->folders[shown_];
        here.files.erase(dropped);
        here.entries_changed = true;
      }
      return 0;
    }
    case StatementKind::kCreateIndex: {
      TableWriter& table = tables_->Acquire(statement.table);
      int field = table.Field(statement.columns[0]);
      if (!table.index_names().emplace(statement.index, field).second) {
        throw IndexExistsAlready(statement.index, statement.table);
      }
      return 0;
    }
    case StatementKind::kInsert: {
      std::vector<std::pair<std::string, BoundValue>> values;
      for (size_t i = 0; i < statement.columns.size(); ++i) {
        values.emplace_back(statement.columns[i], FromParameter(parameters, statement.parameters[i]));
      }
      Insert(statement.table, values);
      return 1;
    }
    case StatementKind::kUpdate: {
      TableWriter& table = tables_->Acquire(statement.table);
      int set_field = table.Field(statement.set->column);
      int where_field = table.Field(statement.where->column);
      std::string bytes = Encode(table, set_field, FromParameter(parameters, statement.set->parameter));
      std::vector<uint32_t> records = Where(table, where_field, *statement.where, parameters);
      Wrote(table.file_name());
      table.Update(records, set_field, bytes);
      Changed(table);
      return records.size();
    }
    case StatementKind::kDelete: {
      TableWriter& table = tables_->Acquire(statement.table);
      std::vector<uint32_t> records = Where(table, table.Field(statement.where->column), *statement.where, parameters);
      Wrote(table.file_name());
      table.Delete(records);
      Changed(table);
      return records.size();
    }
    case StatementKind::kSelect:
    case StatementKind::kSelectCount:
      Select(statement, parameters);
      return 0;
  }
  return 0;
}

ResultSet Database::Select(const Statement& statement, const Parameters& parameters) {
  if (!statement.returns_rows()) throw ReturnsNoRows();
  TableWriter& table = tables_->Acquire(statement.table);
  ResultSet result;
  if (statement.kind == StatementKind::kSelectCount) {
    int counted = table.Field(statement.columns[0]);
    int where_field = table.Field(statement.where->column);
    std::vector<uint32_t> records = Where(table, where_field, *statement.where, parameters);
    // COUNT(column) counts the rows where that column is not null. Only a number can be null (blank):
    // a character field always holds a text, blanks being the empty text, as the comparison has it.
    size_t count = records.size();
    if (counted != where_field && table.FieldAt(counted).numeric()) {
      for (uint32_t record : records) {
        if (dbf::IsNull(table.FieldAt(counted), table.ReadField(record, counted))) --count;
      }
    }
    result.columns.push_back(statement.alias);
    result.rows.push_back({common::FromUtf8(std::to_string(count))});
    return result;
  }
  std::vector<int> fields;
  for (const std::string& column : statement.columns) {
    fields.push_back(table.Field(column));
    result.columns.push_back(column);
  }
  table.ForEachRecord([&](uint32_t, std::string_view record) {
    if (record[0] != dbf::kLiveFlag) return;
    std::vector<common::Text> row;
    row.reserve(fields.size());
    for (int field : fields) {
      const dbf::Field& f = table.FieldAt(field);
      row.push_back(dbf::DecodeField(f, dbf::FieldBytes(f, record), table.codepage()));
    }
    result.rows.push_back(std::move(row));
  });
  return result;
}

std::vector<std::string> Database::Columns(std::string_view table) {
  std::vector<std::string> columns;
  for (const dbf::Field& field : tables_->Acquire(common::AsciiUpperCase(table)).header().fields)
    columns.push_back(field.name);
  return columns;
}

void Database::Append(std::string_view table, const std::vector<std::pair<std::string, BoundValue>>& values) {
  Insert(common::AsciiUpperCase(table), values);
}

}  // namespace store
