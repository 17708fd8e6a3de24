#include "store/table_writer.h"

#include <algorithm>
#include <utility>

#include "store/dbf/record_codec.h"
#include "store/store_errors.h"

namespace store {

TableWriter::TableWriter(platform::Folder& folder, std::string table, const common::Text& file_name,
                         const platform::Codepage& default_codepage, const common::Clock& clock)
    : folder_(folder),
      clock_(clock),
      table_(std::move(table)),
      file_name_(file_name),
      file_(std::make_unique<dbf::TableFile>(folder, file_name)) {
  dbf::TableFile::Loaded loaded = file_->Load();
  header_ = std::move(loaded.header);
  record_count_ = committed_ = loaded.record_count;
  std::string_view codepage = dbf::CodepageForLanguageDriver(header_.language_driver);
  codepage_ = codepage.empty() ? &default_codepage : &platform::Codepage::Get(codepage);
}

int TableWriter::Field(const std::string& column) const {
  int field = header_.FindField(column);
  if (field < 0) throw ColumnNotFound(column, table_);
  return field;
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
  if (!scanned_) {
    // One read of the whole table; every later read and change is made in memory.
    image_.Resize(size_t{record_count_} * header_.record_length);
    file_->ReadAt(header_.RecordOffset(0), image_.size(), image_.data());
    std::vector<uint32_t> free;
    // The watch's start values come from this pass, which every change waits for.
    bool start_watch = watch_ != nullptr && !watch_->started();
    for (uint32_t i = 0; i < record_count_; ++i) {
      std::string_view record = Record(i);
      if (record[0] == dbf::kDeletedFlag) {
        free.push_back(i);
      } else if (record[0] != dbf::kLiveFlag) {
        image_.Clear();
        NoValidFlag(i);
      } else if (start_watch) {
        watch_->StartRecord(i, record);
      }
    }
    // Reused from the end, so the lowest free record is taken first.
    std::reverse(free.begin(), free.end());
    free_ = std::move(free);
    scanned_ = true;
    if (start_watch) watch_->Started();
  }
  if (!index || field < 0 || indexes_.contains(field)) return;
  EqualityIndex built;
  const dbf::Field& f = FieldAt(field);
  for (uint32_t i = 0; i < record_count_; ++i) {
    std::string_view record = Record(i);
    if (record[0] == dbf::kLiveFlag) built.Append(dbf::IndexKey(f, dbf::FieldBytes(f, record)), i);
  }
  indexes_.emplace(field, std::move(built));
}

std::string_view TableWriter::Held(int field, uint32_t record) const {
  return dbf::FieldBytes(FieldAt(field), Record(record));
}

std::vector<uint32_t> TableWriter::Lookup(int field, std::string_view bytes) {
  std::optional<std::string_view> key = dbf::IndexKey(FieldAt(field), bytes);
  if (!key) return {};
  Prepare(field, true);
  return indexes_.at(field).Find(key);
}

std::string TableWriter::ReadField(uint32_t record, int field) const {
  if (scanned_) return std::string(Held(field, record));
  const dbf::Field& f = FieldAt(field);
  std::string bytes;
  file_->ReadAt(header_.RecordOffset(record) + f.offset, static_cast<size_t>(f.width), bytes);
  return bytes;
}

void TableWriter::PrepareWrite() {
  if (checked_) return;
  if (auto found = dbf::FindTableFile(folder_, common::FromUtf8(common::AsciiLowerCase(table_) + ".mdx"))) {
    throw StaleIndexFile(table_, *found);
  }
  checked_ = true;
}

void TableWriter::Changed(uint32_t slot, bool whole, size_t from, size_t to) {
  if (slot >= committed_) return;  // an appended record is written whole at the commit anyway
  auto [it, added] = dirty_.try_emplace(slot);
  Dirty& dirty = it->second;
  // What the commit writes for it: the whole record, or the changed span.
  pending_bytes_ -= added ? 0 : (dirty.whole ? header_.record_length : dirty.to - dirty.from);
  if (whole || dirty.whole) {
    dirty.whole = true;
  } else if (added) {
    dirty.from = from;
    dirty.to = to;
  } else {
    dirty.from = std::min(dirty.from, from);
    dirty.to = std::max(dirty.to, to);
  }
  pending_bytes_ += dirty.whole ? header_.record_length : dirty.to - dirty.from;
}

void TableWriter::Insert(std::string record) {
  PrepareWrite();
  Prepare(-1, false);
  uint32_t slot;
  if (!free_.empty()) {
    slot = free_.back();
    free_.pop_back();
    image_.Overwrite(size_t{slot} * header_.record_length, record);
    Changed(slot, true);
  } else {
    slot = record_count_++;
    image_.Append(record);
    pending_bytes_ += header_.record_length;
  }
  if (watch_ != nullptr) watch_->Wrote(slot, record);
  for (auto& [field, index] : indexes_)
    index.Add(dbf::IndexKey(FieldAt(field), dbf::FieldBytes(FieldAt(field), record)), slot);
}

// The records come from an index, which holds live records only, so each is live until this deletes
// it.
void TableWriter::Delete(const std::vector<uint32_t>& records) {
  if (records.empty()) return;
  PrepareWrite();
  Prepare(-1, false);
  for (uint32_t slot : records) {
    for (auto& [field, index] : indexes_) index.Remove(dbf::IndexKey(FieldAt(field), Held(field, slot)), slot);
    image_[size_t{slot} * header_.record_length] = dbf::kDeletedFlag;
    Changed(slot, true);
    free_.push_back(slot);
    if (watch_ != nullptr) watch_->Deleted(slot);
  }
}

void TableWriter::Update(const std::vector<uint32_t>& records, int field, const std::string& bytes) {
  if (records.empty()) return;
  PrepareWrite();
  Prepare(-1, false);
  const dbf::Field& f = FieldAt(field);
  auto index = indexes_.find(field);
  for (uint32_t slot : records) {
    std::string_view old = Held(field, slot);
    if (old == bytes) continue;
    if (index != indexes_.end()) {
      index->second.Remove(dbf::IndexKey(f, old), slot);
      index->second.Add(dbf::IndexKey(f, bytes), slot);
    }
    image_.Overwrite(size_t{slot} * header_.record_length + f.offset, bytes);
    Changed(slot, false, f.offset, f.offset + static_cast<size_t>(f.width));
    if (watch_ != nullptr) watch_->Updated(slot, field, bytes);
  }
}

namespace {

// Pieces of the held records closer together than this are written in one piece, with the unchanged
// bytes between them written again as they are: one call instead of two.
constexpr size_t kLargestGap = 32 * 1024;

// Byte ranges [first, second) of the held records, in ascending order.
using Pieces = std::vector<std::pair<size_t, size_t>>;

}  // namespace

bool TableWriter::WriteRuns(const Pieces& pieces) {
  for (size_t i = 0; i < pieces.size();) {
    size_t from = pieces[i].first, to = pieces[i].second;
    for (++i; i < pieces.size() && pieces[i].first >= to && pieces[i].first - to <= kLargestGap; ++i) {
      to = pieces[i].second;
    }
    file_->Write(header_.header_length + from, std::string_view(image_).substr(from, to - from));
  }
  return !pieces.empty();
}

void TableWriter::Commit(bool durable) {
  if (dirty_.empty() && committed_ == record_count_) return;
  const size_t length = header_.record_length;
  if (!header_repaired_) {
    // A reader that trusts the count must not read past the data.
    if (header_.record_count != committed_ || header_.mdx_flag != 0) {
      file_->Write(dbf::kDateOffset, dbf::DateAndCount(clock_.Today(), committed_));
      file_->Write(dbf::kMdxFlagOffset, std::string(1, '\0'));
      header_.record_count = committed_;
      header_.mdx_flag = 0;
    }
    header_repaired_ = true;
  }
  // First every committed record whose row is deleted or replaced, whole and flagged deleted (a cut
  // leaves each as it was or deleted), then the records appended, flagged deleted too, and the end
  // marker, beyond what the header counts. The held flags say deleted while these are written.
  Pieces deleting, living;
  std::vector<std::pair<size_t, char>> flags;  // the held flag of each record written deleted
  for (const auto& [slot, dirty] : dirty_) {
    if (dirty.whole) deleting.emplace_back(size_t{slot} * length, size_t{slot + 1} * length);
  }
  bool counts = record_count_ != committed_;
  if (counts) deleting.emplace_back(size_t{committed_} * length, size_t{record_count_} * length);
  for (const auto& [slot, dirty] : dirty_) {
    size_t at = size_t{slot} * length;
    if (!dirty.whole) {
      living.emplace_back(at + dirty.from, at + dirty.to);
    } else if (image_[at] == dbf::kLiveFlag) {
      living.emplace_back(at, at + 1);
      flags.emplace_back(at, dbf::kLiveFlag);
    }
  }
  for (uint32_t slot = committed_; slot < record_count_; ++slot) {
    size_t at = size_t{slot} * length;
    if (image_[at] == dbf::kLiveFlag) {
      living.emplace_back(at, at + 1);
      flags.emplace_back(at, dbf::kLiveFlag);
    }
  }
  bool wrote = false;
  {
    for (const auto& [at, flag] : flags) image_[at] = dbf::kDeletedFlag;
    struct Restore {
      HeldBytes& image;
      const std::vector<std::pair<size_t, char>>& flags;
      ~Restore() {
        for (const auto& [at, flag] : flags) image[at] = flag;
      }
    } restore{image_, flags};
    wrote = WriteRuns(deleting);
  }
  if (counts) {
    file_->Write(header_.RecordOffset(record_count_), std::string_view(&dbf::kEndOfData, 1));
    // Then the header counts them: every counted record is whole, and deleted.
    file_->Write(dbf::kDateOffset, dbf::DateAndCount(clock_.Today(), record_count_));
  }
  // Last the live rows among them are made live, by their flags, with the changes in place of live
  // records. A disk may put writes down in another order than they were made: what deletes goes down
  // first.
  if (durable && wrote && !living.empty()) file_->Sync();
  WriteRuns(living);
  committed_ = header_.record_count = record_count_;
  dirty_.clear();
  pending_bytes_ = 0;
  if (durable) file_->Sync();
}

}  // namespace store
