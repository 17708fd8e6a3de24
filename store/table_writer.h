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
#include "store/row_watch.h"

namespace store {

// One open table and what the engine knows of it (layout, reconciled record count, deleted records,
// equality indexes) while the connection is open. Reads go through a one-pass scan or the indexes;
// writes go straight to the file in the order that keeps it readable at every moment, as
// docs/dbf-layout.md lays out: a record is complete on disk before the header counts it, and it
// becomes live only by its flag byte.
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
  // Sets `field` to `bytes` in `records`, writing only where it changes (compared with the bytes
  // held in memory: nothing is read back).
  void Update(const std::vector<uint32_t>& records, int field, const std::string& bytes);

 private:
  void ReadChunk(uint32_t first, uint32_t count, std::string& out) const;
  [[noreturn]] void NoValidFlag(uint32_t record) const;
  // One pass that completes the list of deleted records, holds the bytes of `field` (-1: none) and,
  // with `index`, builds its index; nothing when all of that is done already.
  void Prepare(int field, bool index);
  // The held bytes of `field` in record `record`.
  std::string_view Held(int field, uint32_t record) const;
  // Before the first write: refuses a table whose dBase index file would go stale, and makes the
  // header state the true record count with no claim of an index file.
  void PrepareWrite();

  platform::Folder& folder_;
  const common::Clock& clock_;
  std::string table_;
  common::Text file_name_;
  std::unique_ptr<dbf::TableFile> file_;
  dbf::Header header_;
  uint32_t record_count_ = 0;     // reconciled with the file
  bool header_repaired_ = false;  // the header states the true count and no index file
  const platform::Codepage* codepage_ = nullptr;
  bool scanned_ = false;  // free_ is complete
  // Deleted records, reused from the back: those the scan found (highest first, so the lowest is
  // taken first), then those deleted since (the most recent first).
  std::vector<uint32_t> free_;
  std::map<int, EqualityIndex> indexes_;  // by field number
  // The bytes of a field in every record (record_count_ times its width), by field number: of each
  // indexed field, so that a delete takes a record out of the indexes without reading it, and of
  // each field an update sets, so that the update compares without reading. Kept current by every
  // write; a deleted record keeps its bytes until its slot is used again.
  std::map<int, std::string> held_;
  std::map<std::string, int> index_names_;
  RowWatch* watch_ = nullptr;
};

template <typename Visit>
void TableWriter::ForEachRecord(Visit visit) const {
  constexpr size_t kScanChunkBytes = 1 << 20;
  uint32_t per_chunk = static_cast<uint32_t>(std::max<size_t>(1, kScanChunkBytes / header_.record_length));
  std::string chunk;
  for (uint32_t first = 0; first < record_count_; first += per_chunk) {
    uint32_t count = std::min(per_chunk, record_count_ - first);
    ReadChunk(first, count, chunk);
    for (uint32_t i = 0; i < count; ++i) {
      std::string_view record(chunk.data() + size_t{i} * header_.record_length, header_.record_length);
      if (record[0] != dbf::kLiveFlag && record[0] != dbf::kDeletedFlag) NoValidFlag(first + i);
      visit(first + i, record);
    }
  }
}

}  // namespace store
