#include "store/database.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_map>

#include "common/error.h"
#include "common/settings.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "platform/system_error.h"
#include "store/dbf/format.h"
#include "store/dbf/table_file.h"
#include "store/values.h"

namespace store {

namespace {

using sql::Statement;
using sql::StatementKind;

common::Error Fail(const std::string& message) { return common::Error(common::FromUtf8(message)); }

std::string Lower(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string Upper(std::string_view name) {
  std::string out(name);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string FileNameOf(const std::string& table) { return Lower(table) + ".dbf"; }

// The stored value an equality look-up compares. Character values compare as dBase compares them:
// trailing blanks do not count, so the empty text equals a field of blanks, while leading blanks do
// (" PC-12" is not "PC-12"). A number compares without blanks; a blank number is null, has no key
// and matches nothing.
std::optional<std::string_view> Key(const dbf::Field& field, std::string_view bytes) {
  size_t end = bytes.size();
  while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0')) --end;
  if (!field.numeric()) return bytes.substr(0, end);
  if (dbf::IsNull(field, bytes)) return std::nullopt;
  size_t begin = 0;
  while (begin < end && bytes[begin] == ' ') ++begin;
  return bytes.substr(begin, end - begin);
}

// Record numbers by stored value; each list ascending, so rows come in table order.
using Index = std::unordered_map<std::string, std::vector<uint32_t>>;

void IndexAdd(Index& index, std::optional<std::string_view> key, uint32_t slot) {
  if (!key) return;
  std::vector<uint32_t>& slots = index[std::string(*key)];
  slots.insert(std::upper_bound(slots.begin(), slots.end(), slot), slot);
}

void IndexRemove(Index& index, std::optional<std::string_view> key, uint32_t slot) {
  if (!key) return;
  auto found = index.find(std::string(*key));
  if (found == index.end()) return;
  std::vector<uint32_t>& slots = found->second;
  auto at = std::lower_bound(slots.begin(), slots.end(), slot);
  if (at != slots.end() && *at == slot) slots.erase(at);
  if (slots.empty()) index.erase(found);
}

// What is known of one table file. Shared by every connection of the process that uses the file.
struct TableState {
  std::filesystem::path path;
  dbf::FileIdentity identity;
  dbf::Header header;
  uint32_t record_count = 0;      // reconciled with the file
  bool header_repaired = false;   // the header states the true count and no index file
  const platform::Codepage* codepage = nullptr;
  bool scanned = false;           // free_slots is complete
  std::vector<uint32_t> free_slots;
  std::map<int, Index> indexes;   // by field number
  std::map<std::string, int> index_names;
};

std::mutex cache_mutex;
std::map<std::filesystem::path, std::shared_ptr<TableState>>& Cache() {
  static std::map<std::filesystem::path, std::shared_ptr<TableState>> cache;
  return cache;
}

std::shared_ptr<TableState> LoadState(const dbf::TableFile& file, const dbf::FileIdentity& identity) {
  auto state = std::make_shared<TableState>();
  state->path = file.path();
  state->identity = identity;
  dbf::TableFile::Loaded loaded = file.Load();
  state->header = std::move(loaded.header);
  state->record_count = loaded.record_count;
  std::string_view codepage = dbf::CodepageForLanguageDriver(state->header.language_driver);
  state->codepage = &platform::Codepage::Get(codepage.empty() ? common::settings::kDbfCodepage : codepage);
  return state;
}

// Converts a value to the bytes of `field`. An empty value is blanks (null in a number). Text is cut
// to the width; an integer must be a whole number that fits.
std::string Encode(const dbf::Field& field, const platform::Codepage& codepage, const BoundValue& value) {
  if (value.text.empty()) return std::string(static_cast<size_t>(field.width), ' ');
  auto quoted = [&] { return value.source + " value '" + common::ToUtf8(value.text) + "'"; };
  if (field.numeric() || value.kind == ParamKind::kInteger) {
    std::optional<int32_t> number = ParseIntegerText(value.text);
    if (!number) throw Fail(quoted() + " " + IntegerTextFault(value.text).value_or(""));
    if (!field.numeric()) {
      return dbf::EncodeCharacter(common::FromUtf8(std::to_string(*number)), codepage, field.width);
    }
    std::string bytes = dbf::EncodeNumber(*number, field.width, field.decimals);
    if (bytes.empty()) {
      throw Fail(quoted() + " does not fit column " + field.name + " (" + std::to_string(field.width) +
                 " characters" + (field.decimals ? ", " + std::to_string(field.decimals) + " decimals" : "") + ")");
    }
    return bytes;
  }
  return dbf::EncodeCharacter(value.text, codepage, field.width);
}

BoundValue FromParameter(const Parameters& parameters, const std::string& name) {
  const Parameter* parameter = parameters.FindOrNull(name);
  if (parameter == nullptr) throw Fail("Parameter '" + name + "' not found");
  return BoundValue{"Parameter '" + parameter->name() + "'", parameter->kind(), parameter->value()};
}

// Paths go into messages in the system's own wide form, so that any folder name reads right.
common::Error TableNotFound(const std::string& table, const std::filesystem::path& folder) {
  return common::Error(common::FromUtf8("Table " + table + " not found: there is no file " + FileNameOf(table) +
                                        " in \"") +
                       platform::FsPathToText(folder) + u"\"");
}

constexpr size_t kScanChunkBytes = 1 << 20;

}  // namespace

struct Database::Handle {
  std::string table;
  std::unique_ptr<dbf::TableFile> file;
  std::shared_ptr<TableState> state;

  const dbf::Header& header() const { return state->header; }

  int Field(const std::string& column) const {
    int field = state->header.FindField(column);
    if (field < 0) throw Fail("Column '" + column + "' not found in table " + table);
    return field;
  }

  // Calls `visit(slot, record)` for every record, in order, checking each flag byte.
  template <typename Visit>
  void ForEachRecord(Visit visit) const {
    const dbf::Header& header = state->header;
    uint32_t per_chunk = static_cast<uint32_t>(std::max<size_t>(1, kScanChunkBytes / header.record_length));
    std::string chunk;
    for (uint32_t first = 0; first < state->record_count; first += per_chunk) {
      uint32_t count = std::min(per_chunk, state->record_count - first);
      file->ReadRecords(header, first, count, chunk);
      for (uint32_t i = 0; i < count; ++i) {
        std::string_view record(chunk.data() + size_t{i} * header.record_length, header.record_length);
        if (record[0] != dbf::kLiveFlag && record[0] != dbf::kDeletedFlag) {
          throw dbf::DamagedTable(file->path(), common::FromUtf8("record " + std::to_string(first + i + 1) +
                                                                 " has no valid deletion flag"));
        }
        visit(first + i, record);
      }
    }
  }

  // One pass that completes the list of deleted records and builds the index of `field` (-1: none).
  void Prepare(int field) {
    bool need_index = field >= 0 && !state->indexes.contains(field);
    if (state->scanned && !need_index) return;
    bool collect_free = !state->scanned;
    Index built;
    std::vector<uint32_t> free_slots;
    ForEachRecord([&](uint32_t slot, std::string_view record) {
      if (record[0] == dbf::kDeletedFlag) {
        if (collect_free) free_slots.push_back(slot);
        return;
      }
      if (need_index) {
        const dbf::Field& f = state->header.fields[static_cast<size_t>(field)];
        std::optional<std::string_view> key = Key(f, record.substr(f.offset, static_cast<size_t>(f.width)));
        if (key) built[std::string(*key)].push_back(slot);
      }
    });
    if (collect_free) {
      // Reused from the end, so the lowest free record is taken first.
      std::reverse(free_slots.begin(), free_slots.end());
      state->free_slots = std::move(free_slots);
      state->scanned = true;
    }
    if (need_index) state->indexes.emplace(field, std::move(built));
  }

  std::vector<uint32_t> Lookup(int field, const BoundValue& value) {
    const dbf::Field& f = state->header.fields[static_cast<size_t>(field)];
    std::string bytes = Encode(f, *state->codepage, value);
    std::optional<std::string_view> key = Key(f, bytes);
    if (!key) return {};
    Prepare(field);
    const Index& index = state->indexes.at(field);
    auto found = index.find(std::string(*key));
    return found == index.end() ? std::vector<uint32_t>{} : found->second;
  }

  std::string ReadRecord(uint32_t slot) const {
    std::string record;
    file->ReadRecords(state->header, slot, 1, record);
    return record;
  }

  // Before the first write: refuse a table whose dBase index file we would leave stale, and make
  // the header state the true record count (a reader that trusts the count must not read past the
  // data) with no claim of an index file.
  void PrepareWrite() {
    if (state->header_repaired) return;
    std::filesystem::path mdx = file->path();
    mdx.replace_extension(".mdx");
    if (auto found = dbf::FindTableFile(mdx.parent_path(), mdx.filename().string())) {
      throw common::Error(common::FromUtf8("Table " + table + " has a dBase index file (") +
                          platform::FsPathToText(found->filename()) +
                          u") that this program cannot keep up to date; the table is not changed");
    }
    if (state->header.record_count != state->record_count || state->header.mdx_flag != 0) {
      file->Write(dbf::kDateOffset, dbf::DateAndCount(state->record_count));
      file->Write(dbf::kMdxFlagOffset, std::string(1, '\0'));
      state->header.record_count = state->record_count;
      state->header.mdx_flag = 0;
    }
    state->header_repaired = true;
  }

  void Finish() { state->identity = file->Identity(); }

  void Insert(std::string record) {
    PrepareWrite();
    Prepare(-1);
    const dbf::Header& header = state->header;
    uint32_t slot;
    if (!state->free_slots.empty()) {
      // The record is filled in while its flag still says deleted, then made live by that one byte.
      slot = state->free_slots.back();
      file->Write(header.RecordOffset(slot) + 1, std::string_view(record).substr(1));
      state->free_slots.pop_back();
    } else {
      // Appended whole (still flagged deleted) with the end marker, then counted, then made live:
      // the header never counts a record that is not on disk.
      slot = state->record_count;
      record[0] = dbf::kDeletedFlag;
      record.push_back(dbf::kEndOfData);
      file->Write(header.RecordOffset(slot), record);
      record.pop_back();
      file->Write(dbf::kDateOffset, dbf::DateAndCount(slot + 1));
      state->record_count = slot + 1;
      state->header.record_count = slot + 1;
    }
    file->Write(header.RecordOffset(slot), std::string(1, dbf::kLiveFlag));
    for (auto& [field, index] : state->indexes) {
      const dbf::Field& f = header.fields[static_cast<size_t>(field)];
      IndexAdd(index, Key(f, std::string_view(record).substr(f.offset, static_cast<size_t>(f.width))), slot);
    }
    Finish();
  }

  void Delete(const std::vector<uint32_t>& slots) {
    if (slots.empty()) return;
    PrepareWrite();
    Prepare(-1);
    for (uint32_t slot : slots) {
      std::string record = ReadRecord(slot);
      if (record[0] != dbf::kLiveFlag) continue;
      file->Write(state->header.RecordOffset(slot), std::string(1, dbf::kDeletedFlag));
      state->free_slots.push_back(slot);
      for (auto& [field, index] : state->indexes) {
        const dbf::Field& f = state->header.fields[static_cast<size_t>(field)];
        IndexRemove(index, Key(f, std::string_view(record).substr(f.offset, static_cast<size_t>(f.width))), slot);
      }
    }
    Finish();
  }

  void Update(const std::vector<uint32_t>& slots, int field, const std::string& bytes) {
    if (slots.empty()) return;
    PrepareWrite();
    const dbf::Field& f = state->header.fields[static_cast<size_t>(field)];
    auto index = state->indexes.find(field);
    std::string old;
    for (uint32_t slot : slots) {
      uint64_t at = state->header.RecordOffset(slot) + f.offset;
      file->ReadAt(at, static_cast<size_t>(f.width), old);
      if (old == bytes) continue;
      file->Write(at, bytes);
      if (index != state->indexes.end()) {
        IndexRemove(index->second, Key(f, old), slot);
        IndexAdd(index->second, Key(f, bytes), slot);
      }
    }
    Finish();
  }
};

Database::Database(std::filesystem::path folder, WrittenFiles* written) : folder_(std::move(folder)), written_(written) {
  int error = 0;
  platform::PathKind kind = platform::KindOf(folder_, error);
  if (kind == platform::PathKind::kMissing) {
    throw common::Error(u"Cannot open the database folder \"" + platform::FsPathToText(folder_) + u"\". " +
                        platform::SystemErrorText(error));
  }
  if (kind != platform::PathKind::kFolder) {
    throw common::Error(u"Cannot open the database folder \"" + platform::FsPathToText(folder_) +
                        u"\". It is not a folder");
  }
}

Database::~Database() = default;

void Database::Wrote(const std::filesystem::path& file, bool named) {
  if (written_ == nullptr) return;
  written_->files.insert(file);
  if (named) written_->folders.insert(folder_);
}

void Database::ForgetCachedTables() {
  std::lock_guard lock(cache_mutex);
  Cache().clear();
}

namespace {

// The cached state of `file` when it still describes the file as it is, else a fresh one.
std::shared_ptr<TableState> StateFor(const dbf::TableFile& file, const dbf::FileIdentity& identity) {
  std::lock_guard lock(cache_mutex);
  std::shared_ptr<TableState>& cached = Cache()[file.path()];
  if (!cached || cached->identity != identity) cached = LoadState(file, identity);
  return cached;
}

}  // namespace

Database::Handle& Database::Acquire(const std::string& table) {
  auto held = handles_.find(table);
  if (held != handles_.end()) {
    Handle& handle = *held->second;
    // Still the same file under the same name? Then only its contents may have changed, and the
    // name's identity is the open file's own: one look per statement tells both.
    std::optional<platform::FileIdentity> now = platform::IdentityOf(handle.file->path());
    if (now && now->inode == handle.state->identity.inode && now->device == handle.state->identity.device) {
      const dbf::FileIdentity& identity = *now;
      if (identity != handle.state->identity) handle.state = StateFor(*handle.file, identity);
      return handle;
    }
    handles_.erase(held);
  }
  std::optional<std::filesystem::path> path = dbf::FindTableFile(folder_, FileNameOf(table));
  if (!path) throw TableNotFound(table, folder_);
  auto handle = std::make_unique<Handle>();
  handle->table = table;
  handle->file = std::make_unique<dbf::TableFile>(*path);
  handle->state = StateFor(*handle->file, handle->file->Identity());
  Handle& result = *handle;
  handles_[table] = std::move(handle);
  return result;
}

void Database::Drop(const std::string& table) {
  handles_.erase(table);
  std::optional<std::filesystem::path> path = dbf::FindTableFile(folder_, FileNameOf(table));
  if (!path) throw TableNotFound(table, folder_);
  if (int error = platform::RemoveFile(*path)) {
    throw common::Error(u"Cannot delete file \"" + platform::FsPathToText(*path) + u"\". " +
                        platform::SystemErrorText(error));
  }
  if (written_ != nullptr) {
    written_->files.erase(*path);
    written_->folders.insert(folder_);
  }
  std::lock_guard lock(cache_mutex);
  Cache().erase(*path);
}

size_t Database::Execute(const Statement& statement, const Parameters& parameters) {
  switch (statement.kind) {
    case StatementKind::kCreateTable: {
      if (dbf::FindTableFile(folder_, FileNameOf(statement.table))) {
        throw Fail("Table " + statement.table + " already exists");
      }
      std::vector<dbf::Field> fields;
      for (const sql::ColumnDefinition& column : statement.definitions) {
        if (column.name.size() > dbf::kMaxFieldNameLength) {
          throw Fail("Column name " + column.name + " is longer than 10 characters");
        }
        for (const dbf::Field& field : fields) {
          if (field.name == column.name) throw Fail("Column " + column.name + " is declared twice");
        }
        dbf::Field field;
        field.name = column.name;
        if (column.type == sql::ColumnType::kInteger) {
          field.type = 'N';
          field.width = dbf::kIntegerWidth;
        } else {
          field.width = column.width;
        }
        fields.push_back(std::move(field));
      }
      std::filesystem::path path = folder_ / FileNameOf(statement.table);
      dbf::CreateTableFile(path, std::move(fields), dbf::kLdidWindows1251);
      Wrote(path, true);
      // A file that stood here before may have left its state behind under the same identity.
      std::lock_guard lock(cache_mutex);
      Cache().erase(path);
      return 0;
    }
    case StatementKind::kDropTable:
      Drop(statement.table);
      return 0;
    case StatementKind::kCreateIndex: {
      Handle& handle = Acquire(statement.table);
      int field = handle.Field(statement.columns[0]);
      if (!handle.state->index_names.emplace(statement.index, field).second) {
        throw Fail("Index " + statement.index + " already exists on table " + statement.table);
      }
      return 0;
    }
    case StatementKind::kInsert: {
      Handle& handle = Acquire(statement.table);
      const dbf::Header& header = handle.header();
      std::string record(header.record_length, ' ');
      std::vector<bool> seen(header.fields.size());
      for (size_t i = 0; i < statement.columns.size(); ++i) {
        int field = handle.Field(statement.columns[i]);
        if (seen[static_cast<size_t>(field)]) throw Fail("Column " + statement.columns[i] + " is named twice");
        seen[static_cast<size_t>(field)] = true;
        const dbf::Field& f = header.fields[static_cast<size_t>(field)];
        record.replace(f.offset, static_cast<size_t>(f.width),
                       Encode(f, *handle.state->codepage, FromParameter(parameters, statement.parameters[i])));
      }
      Wrote(handle.file->path());
      handle.Insert(std::move(record));
      return 1;
    }
    case StatementKind::kUpdate: {
      Handle& handle = Acquire(statement.table);
      int set_field = handle.Field(statement.set->column);
      int where_field = handle.Field(statement.where->column);
      std::string bytes = Encode(handle.header().fields[static_cast<size_t>(set_field)], *handle.state->codepage,
                                 FromParameter(parameters, statement.set->parameter));
      std::vector<uint32_t> slots = handle.Lookup(where_field, FromParameter(parameters, statement.where->parameter));
      Wrote(handle.file->path());
      handle.Update(slots, set_field, bytes);
      return slots.size();
    }
    case StatementKind::kDelete: {
      Handle& handle = Acquire(statement.table);
      int where_field = handle.Field(statement.where->column);
      std::vector<uint32_t> slots = handle.Lookup(where_field, FromParameter(parameters, statement.where->parameter));
      Wrote(handle.file->path());
      handle.Delete(slots);
      return slots.size();
    }
    case StatementKind::kSelect:
    case StatementKind::kSelectCount:
      Select(statement, parameters);
      return 0;
  }
  return 0;
}

ResultSet Database::Select(const Statement& statement, const Parameters& parameters) {
  if (!statement.returns_rows()) throw Fail("The statement returns no rows");
  Handle& handle = Acquire(statement.table);
  const dbf::Header& header = handle.header();
  ResultSet result;
  if (statement.kind == StatementKind::kSelectCount) {
    int counted = handle.Field(statement.columns[0]);
    int where_field = handle.Field(statement.where->column);
    std::vector<uint32_t> slots = handle.Lookup(where_field, FromParameter(parameters, statement.where->parameter));
    // COUNT(column) counts the rows where that column is not null. Only a number can be null (blank):
    // a character field always holds a text, blanks being the empty text, as the comparison has it.
    size_t count = slots.size();
    const dbf::Field& f = header.fields[static_cast<size_t>(counted)];
    if (counted != where_field && f.numeric()) {
      std::string bytes;
      for (uint32_t slot : slots) {
        handle.file->ReadAt(header.RecordOffset(slot) + f.offset, static_cast<size_t>(f.width), bytes);
        if (dbf::IsNull(f, bytes)) --count;
      }
    }
    result.columns.push_back(statement.alias);
    result.rows.push_back({common::FromUtf8(std::to_string(count))});
    return result;
  }
  std::vector<int> fields;
  for (const std::string& column : statement.columns) {
    fields.push_back(handle.Field(column));
    result.columns.push_back(column);
  }
  const platform::Codepage& codepage = *handle.state->codepage;
  handle.ForEachRecord([&](uint32_t, std::string_view record) {
    if (record[0] != dbf::kLiveFlag) return;
    std::vector<common::Text> row;
    row.reserve(fields.size());
    for (int field : fields) {
      const dbf::Field& f = header.fields[static_cast<size_t>(field)];
      row.push_back(dbf::DecodeField(f, record.substr(f.offset, static_cast<size_t>(f.width)), codepage));
    }
    result.rows.push_back(std::move(row));
  });
  return result;
}

std::vector<std::string> Database::Columns(std::string_view table) {
  Handle& handle = Acquire(Upper(table));
  std::vector<std::string> columns;
  for (const dbf::Field& field : handle.header().fields) columns.push_back(field.name);
  return columns;
}

void Database::Append(std::string_view table, const std::vector<std::pair<std::string, BoundValue>>& values) {
  Handle& handle = Acquire(Upper(table));
  const dbf::Header& header = handle.header();
  std::string record(header.record_length, ' ');
  for (const auto& [column, value] : values) {
    int field = handle.Field(column);
    const dbf::Field& f = header.fields[static_cast<size_t>(field)];
    record.replace(f.offset, static_cast<size_t>(f.width), Encode(f, *handle.state->codepage, value));
  }
  Wrote(handle.file->path());
  handle.Insert(std::move(record));
}

}  // namespace store
