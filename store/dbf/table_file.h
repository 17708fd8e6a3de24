#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "platform/file_system.h"
#include "store/dbf/format.h"

namespace store::dbf {

// The name of a table's file in `folder`, found whatever the case of its name: `file_name` itself
// first, else the one entry whose name equals it ignoring ASCII case (the first in name order when
// several do). Folders never count, nor a regular file of no bytes: that is what a creation cut short
// leaves (see CreateTableFile), not a table. Anything else counts, a link too (opening it then fails;
// it is never followed). Empty when there is none. Throws platform::CannotListFolder, and
// platform::CannotReadFile when the size of a file cannot be looked at.
std::optional<common::Text> FindTableFile(platform::Folder& folder, common::TextView file_name);

// Writes a new empty table `file_name` in `folder` atomically (platform::Folder::CreateNewFile; where
// the file system cannot rename without replacing, a process killed meanwhile leaves a file of no
// bytes there, which this replaces). `today` is the date of last update its header records. Throws
// common::Error when the name is taken or cannot be written.
void CreateTableFile(platform::Folder& folder, const common::Text& file_name, std::vector<Field> fields,
                     uint8_t language_driver, const common::Date& today);

// One open table file. Every write goes straight to the file (no buffering in this process); the
// order of the writes is the table writer's.
class TableFile {
 public:
  // Opens for reading and writing (for reading only when writing is not allowed). Throws
  // common::Error "Cannot open file "%s". %s".
  TableFile(platform::Folder& folder, const common::Text& file_name);

  const common::Text& path() const { return file_->path(); }

  // Reads and checks the header and reconciles the record count with the file: a count above the
  // records the file holds is cut to the whole records present; records past a low count are counted
  // when they carry a valid flag and no end marker comes first. Throws common::Error naming the file
  // and the damage.
  struct Loaded {
    Header header;
    uint32_t record_count = 0;  // the reconciled count
  };
  Loaded Load() const;

  // Reads `count` whole records from record `first` into `out` (resized to fit).
  void ReadRecords(const Header& header, uint32_t first, uint32_t count, std::string& out) const;
  void ReadAt(uint64_t offset, size_t length, std::string& out) const;
  // Reads `length` bytes at `offset` into `out`, which has room for them.
  void ReadAt(uint64_t offset, size_t length, char* out) const;
  // Writes all of `bytes`, in as many system writes as it takes.
  void Write(uint64_t offset, std::string_view bytes);
  // Forces what was written to stable storage (platform::File::Sync).
  void Sync() { file_->Sync(); }

  bool writable() const { return file_->writable(); }

 private:
  std::unique_ptr<platform::File> file_;
};

// "Table file "%s" is damaged: %s".
common::Error DamagedTable(common::TextView path, common::TextView reason);

}  // namespace store::dbf
