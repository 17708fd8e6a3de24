#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/text.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "store/dbf/format.h"
#include "store/dbf/table_file.h"
#include "store/equality_index.h"
#include "store/held_bytes.h"
#include "store/row_watch.h"

namespace store {

// One open table and what the engine knows of it (layout, reconciled record count, deleted records,
// equality indexes) while the connection is open. The first look-up or change reads the whole table
// into memory once; from then on reads are served from memory and changes are made there, kept as
// pending until Commit writes them in few large positioned writes, in the order docs/dbf-layout.md
// lays out ("Writing: the commit"), so that the file is sound at every moment: a record that was
// live is deleted before a row that replaces it becomes live, and no live record is ever written
// over whole.
class TableWriter {
 public:
  // Opens `file_name` in `folder` (which must outlive the object) and reads its header; each write
  // records `clock`'s today (which must outlive the object too) as the date of last update. Throws
  // the file's errors (platform, dbf::DamagedTable).
  TableWriter(platform::Folder& folder, std::string table, const common::Text& file_name,
              const platform::Codepage& default_codepage, const common::Clock& clock);

  const std::string& table() const { return table_; }
  // The table file's path, as messages name it, and its name in the folder.
  const common::Text& path() const { return file_->path(); }
  const common::Text& file_name() const { return file_name_; }
  const dbf::Header& header() const { return header_; }
  const platform::Codepage& codepage() const { return *codepage_; }
  // The field number of `column`. Throws ColumnNotFound.
  int Field(const std::string& column) const;
  const dbf::Field& FieldAt(int field) const { return header_.fields[static_cast<size_t>(field)]; }

  // Feeds `watch` (nothing: none) from now on: the start values from the first pass over the table,
  // made at once when it is made already, then every record written. `watch` must outlive its use.
  void SetWatch(RowWatch* watch);

  // Index names declared on this table, by name, with their field.
  std::map<std::string, int>& index_names() { return index_names_; }

  // Calls `visit(record_number, record)` for every record, in order, checking each flag byte.
  template <typename Visit>
  void ForEachRecord(Visit visit) const;

  // The live records whose `field` holds the stored value `bytes` (as dbf::EncodeValue gives it).
  std::vector<uint32_t> Lookup(int field, std::string_view bytes);
  // The bytes of `field` in record `record`.
  std::string ReadField(uint32_t record, int field) const;

  // A new live record (flag byte included), in a deleted record's place (the lowest the scan found,
  // then the most recently deleted) or else appended.
  void Insert(std::string record);
  void Delete(const std::vector<uint32_t>& records);
  // Sets `field` to `bytes` in `records`, changing only where it differs.
  void Update(const std::vector<uint32_t>& records, int field, const std::string& bytes);

  // The bytes the changes not yet committed will write, the unchanged bytes between them left out.
  size_t pending_bytes() const { return pending_bytes_; }
  // The bytes of the records held in memory (none before the first look-up or change).
  size_t held_bytes() const { return image_.size(); }
  // Writes the pending changes (see the class comment); nothing when there are none. `durable`: the
  // changes are on stable storage when it returns, and a sync separates the writes that delete from
  // those that make rows live, so that a power cut cannot reorder them. A failure leaves the changes
  // pending, so that a later Commit writes them all again.
  void Commit(bool durable);

 private:
  [[noreturn]] void NoValidFlag(uint32_t record) const;
  // At the first look-up or change: reads the whole table into memory, completes the list of deleted
  // records and starts the watch; then, for `field` (-1: none) with `index`, builds its index.
  void Prepare(int field, bool index);
  // The bytes of `field` in record `record`, as the engine holds them now.
  std::string_view Held(int field, uint32_t record) const;
  std::string_view Record(uint32_t record) const {
    return std::string_view(image_).substr(size_t{record} * header_.record_length, header_.record_length);
  }
  // Before the first change: refuses a table whose dBase index file would go stale.
  void PrepareWrite();
  // A change to record `slot`: through a deleted state (`whole`: a delete or an insert into a free
  // slot), or in place to bytes [from, to) of a live record.
  void Changed(uint32_t slot, bool whole, size_t from = 0, size_t to = 0);
  // Writes the byte ranges of image_ given in ascending order, joined into runs where one starts
  // close to the end of the one before (the bytes between written as they are); whether it wrote.
  bool WriteRuns(const std::vector<std::pair<size_t, size_t>>& pieces);

  // A committed record with pending changes.
  struct Dirty {
    bool whole = false;       // goes through a deleted state: written whole, flagged deleted first
    size_t from = 0, to = 0;  // otherwise the changed bytes of a live record
  };

  platform::Folder& folder_;
  const common::Clock& clock_;
  std::string table_;
  common::Text file_name_;
  std::unique_ptr<dbf::TableFile> file_;
  dbf::Header header_;
  uint32_t record_count_ = 0;     // as the engine holds the table, pending records included
  uint32_t committed_ = 0;        // the records on disk (reconciled with the file)
  bool checked_ = false;          // PrepareWrite has run
  bool header_repaired_ = false;  // the header states the true count and no index file
  const platform::Codepage* codepage_ = nullptr;
  bool scanned_ = false;  // image_ and free_ are complete
  // Every record as the engine holds it now (record_count_ times the record length): what is on disk,
  // with the pending changes made.
  HeldBytes image_;
  std::map<uint32_t, Dirty> dirty_;  // the committed records with pending changes
  size_t pending_bytes_ = 0;
  // Deleted records, reused from the back: those the scan found (highest first, so the lowest is
  // taken first), then those deleted since (the most recent first).
  std::vector<uint32_t> free_;
  std::map<int, EqualityIndex> indexes_;  // by field number
  std::map<std::string, int> index_names_;
  RowWatch* watch_ = nullptr;
};

template <typename Visit>
void TableWriter::ForEachRecord(Visit visit) const {
  if (scanned_) {
    for (uint32_t i = 0; i < record_count_; ++i) visit(i, Record(i));
    return;
  }
  constexpr size_t kScanChunkBytes = 1 << 20;
  uint32_t per_chunk = static_cast<uint32_t>(std::max<size_t>(1, kScanChunkBytes / header_.record_length));
  std::string chunk;
  for (uint32_t first = 0; first < record_count_; first += per_chunk) {
    uint32_t count = std::min(per_chunk, record_count_ - first);
    file_->ReadRecords(header_, first, count, chunk);
    for (uint32_t i = 0; i < count; ++i) {
      std::string_view record(chunk.data() + size_t{i} * header_.record_length, header_.record_length);
      if (record[0] != dbf::kLiveFlag && record[0] != dbf::kDeletedFlag) NoValidFlag(first + i);
      visit(first + i, record);
    }
  }
}

}  // namespace store
