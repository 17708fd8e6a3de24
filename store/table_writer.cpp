#include "store/table_writer.h"

#include <algorithm>

#include "store/dbf/record_codec.h"
#include "store/store_errors.h"

namespace store {

namespace {}  // namespace

TableWriter::TableWriter(platform::Folder& folder, std::string table, const common::Text& file_name,
                         const platform::Codepage& default_codepage, const common::Clock& clock)
    : folder_(folder),
      clock_(clock),
      table_(std::move(table)),
      file_name_(file_name),
      file_(std::make_unique<dbf::TableFile>(folder, file_name)) {
  dbf::TableFile::Loaded loaded = file_->Load();
  header_ = std::move(loaded.header);
  record_count_ = loaded.record_count;
  std::string_view codepage = dbf::CodepageForLanguageDriver(header_.language_driver);
  codepage_ = codepage.empty() ? &default_codepage : &platform::Codepage::Get(codepage);
}

int TableWriter::Field(const std::string& column) const {
  int field = header_.FindField(column);
  if (field < 0) throw ColumnNotFound(column, table_);
  return field;
}

void TableWriter::ReadChunk(uint32_t first, uint32_t count, std::string& out) const {
  file_->ReadRecords(header_, first, count, out);
}

void TableWriter::NoValidFlag(uint32_t record) const {
  throw dbf::DamagedTable(file_->path(),
                          common::FromUtf8("record " + std::to_string(record + 1) + " has no valid deletion flag"));
}

void TableWriter::SetWatch(RowWatch* watch) {
  watch_ = watch;
  if (watch_ == nullptr) return;
  watch_->Attach(header_, *codepage_);
  if (!scanned_ || watch_->started()) return;
  ForEachRecord([&](uint32_t record_number, std::string_view record) {
    if (record[0] == dbf::kLiveFlag) watch_->StartRecord(record_number, record);
  });
  watch_->Started();
}

void TableWriter::Prepare(int field, bool index) {
  bool need_index = index && field >= 0 && !indexes_.contains(field);
  bool need_held = field >= 0 && !held_.contains(field);
  if (scanned_ && !need_index && !need_held) return;
  bool collect_free = !scanned_;
  // The watch's start values come from the first pass, which every write waits for.
  bool start_watch = collect_free && watch_ != nullptr && !watch_->started();
  EqualityIndex built;
  std::string held;
  if (need_held) held.reserve(size_t{record_count_} * static_cast<size_t>(FieldAt(field).width));
  std::vector<uint32_t> free;
  ForEachRecord([&](uint32_t record_number, std::string_view record) {
    if (need_held) held.append(dbf::FieldBytes(FieldAt(field), record));
    if (record[0] == dbf::kDeletedFlag) {
      if (collect_free) free.push_back(record_number);
      return;
    }
    if (start_watch) watch_->StartRecord(record_number, record);
    if (need_index) built.Append(dbf::IndexKey(FieldAt(field), dbf::FieldBytes(FieldAt(field), record)), record_number);
  });
  if (collect_free) {
    // Reused from the end, so the lowest free record is taken first.
    std::reverse(free.begin(), free.end());
    free_ = std::move(free);
    scanned_ = true;
  }
  if (start_watch) watch_->Started();
  if (need_held) held_.emplace(field, std::move(held));
  if (need_index) indexes_.emplace(field, std::move(built));
}

std::string_view TableWriter::Held(int field, uint32_t record) const {
  size_t width = static_cast<size_t>(FieldAt(field).width);
  return std::string_view(held_.at(field)).substr(size_t{record} * width, width);
}

std::vector<uint32_t> TableWriter::Lookup(int field, std::string_view bytes) {
  std::optional<std::string_view> key = dbf::IndexKey(FieldAt(field), bytes);
  if (!key) return {};
  Prepare(field, true);
  return indexes_.at(field).Find(key);
}

std::string TableWriter::ReadField(uint32_t record, int field) const {
  const dbf::Field& f = FieldAt(field);
  std::string bytes;
  file_->ReadAt(header_.RecordOffset(record) + f.offset, static_cast<size_t>(f.width), bytes);
  return bytes;
}

void TableWriter::PrepareWrite() {
  if (header_repaired_) return;
  if (auto found = dbf::FindTableFile(folder_, common::FromUtf8(common::AsciiLowerCase(table_) + ".mdx"))) {
    throw StaleIndexFile(table_, *found);
  }
  // A reader that trusts the count must not read past the data.
  if (header_.record_count != record_count_ || header_.mdx_flag != 0) {
    file_->Write(dbf::kDateOffset, dbf::DateAndCount(clock_.Today(), record_count_));
    file_->Write(dbf::kMdxFlagOffset, std::string(1, '\0'));
    header_.record_count = record_count_;
    header_.mdx_flag = 0;
  }
  header_repaired_ = true;
}

void TableWriter::Insert(std::string record) {
  PrepareWrite();
  Prepare(-1, false);
  uint32_t slot;
  if (!free_.empty()) {
    // The record is filled in while its flag still says deleted, then made live by that one byte.
    slot = free_.back();
    file_->Write(header_.RecordOffset(slot) + 1, std::string_view(record).substr(1));
    free_.pop_back();
  } else {
    // Appended whole (still flagged deleted) with the end marker, then counted, then made live:
    // the header never counts a record that is not on disk.
    slot = record_count_;
    record[0] = dbf::kDeletedFlag;
    record.push_back(dbf::kEndOfData);
    file_->Write(header_.RecordOffset(slot), record);
    record.pop_back();
    file_->Write(dbf::kDateOffset, dbf::DateAndCount(clock_.Today(), slot + 1));
    record_count_ = slot + 1;
    header_.record_count = slot + 1;
  }
  file_->Write(header_.RecordOffset(slot), std::string(1, dbf::kLiveFlag));
  if (watch_ != nullptr) watch_->Wrote(slot, record);
  for (auto& [field, index] : indexes_)
    index.Add(dbf::IndexKey(FieldAt(field), dbf::FieldBytes(FieldAt(field), record)), slot);
  for (auto& [field, held] : held_) {
    std::string_view bytes = dbf::FieldBytes(FieldAt(field), record);
    size_t at = size_t{slot} * bytes.size();
    if (at == held.size()) {
      held.append(bytes);
    } else {
      held.replace(at, bytes.size(), bytes);
    }
  }
}

// The records come from an index, which holds live records only (the engine is the tables' only
// writer while the connection is open), so each is live until this deletes it.
void TableWriter::Delete(const std::vector<uint32_t>& records) {
  if (records.empty()) return;
  PrepareWrite();
  Prepare(-1, false);
  for (uint32_t slot : records) {
    file_->Write(header_.RecordOffset(slot), std::string(1, dbf::kDeletedFlag));
    free_.push_back(slot);
    if (watch_ != nullptr) watch_->Deleted(slot);
    for (auto& [field, index] : indexes_) index.Remove(dbf::IndexKey(FieldAt(field), Held(field, slot)), slot);
  }
}

void TableWriter::Update(const std::vector<uint32_t>& records, int field, const std::string& bytes) {
  if (records.empty()) return;
  PrepareWrite();
  Prepare(field, false);
  const dbf::Field& f = FieldAt(field);
  auto index = indexes_.find(field);
  std::string& held = held_.at(field);
  for (uint32_t slot : records) {
    std::string_view old = Held(field, slot);
    if (old == bytes) continue;
    file_->Write(header_.RecordOffset(slot) + f.offset, bytes);
    if (index != indexes_.end()) {
      index->second.Remove(dbf::IndexKey(f, old), slot);
      index->second.Add(dbf::IndexKey(f, bytes), slot);
    }
    held.replace(size_t{slot} * static_cast<size_t>(f.width), static_cast<size_t>(f.width), bytes);
    if (watch_ != nullptr) watch_->Updated(slot, field, bytes);
  }
}

}  // namespace store
