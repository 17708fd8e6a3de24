#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/codepage.h"
#include "store/dbf/format.h"

namespace store {

// One row of the watched table whose values differ between the start of the watch and now.
struct ChangedRow {
  struct Column {
    std::string name;
    common::Text old_value;  // as a query reads it: the empty text for a blank field
    common::Text new_value;
  };
  common::Text key;
  // The key had no row when the watch started: `columns` then holds every watched column, with its
  // new value.
  bool created = false;
  std::vector<Column> columns;
};

// The rows of one table, by a key column, as they were when the engine first read the table after
// the watch began, and as the statements since have left them. The engine feeds it from the pass
// over the table it makes anyway before its first write (the list of deleted records) and from each
// record it writes; nothing is read for it. Values compare as "WHERE column = :value" compares them:
// characters without their trailing blanks, numbers by their digits (a blank number differs from 0).
// The engine holds on to it while the connection that it was handed to (Connection::SetRowWatch) is
// open; one thread at a time.
class RowWatch {
 public:
  // `table` and the column names in upper case. A column the table lacks is left out.
  RowWatch(std::string table, std::string key_column, std::vector<std::string> columns);

  // The start values are viewed where they lie: a watch moves, it is not copied.
  RowWatch(const RowWatch&) = delete;
  RowWatch& operator=(const RowWatch&) = delete;
  RowWatch(RowWatch&&) = default;
  RowWatch& operator=(RowWatch&&) = default;

  const std::string& table() const { return table_; }

  // The rows whose key has a live record now and whose watched values differ from those of the first
  // record with that key at the start, in record order; a key with no record at the start comes as
  // created. A row without a key (a blank key field) and a key whose records were all deleted are
  // left out. Each is made when it is visited and gone after, so that a run that changed every row
  // does not hold them all at once.
  void ForEachChange(const std::function<void(const ChangedRow&)>& visit) const;

  // For the engine. Attach: the table's layout, each time the table is opened. started(): the start
  // values are taken; they are taken once, from the first pass (StartRecord for each live record, then
  // Started), and kept across the connection's closing and opening again.
  void Attach(const dbf::Header& header, const platform::Codepage& codepage);
  bool started() const { return started_; }
  void StartRecord(uint32_t record, std::string_view bytes);
  void Started() { started_ = true; }
  void Wrote(uint32_t record, std::string_view bytes);
  void Deleted(uint32_t record);
  void Updated(uint32_t record, int field, std::string_view bytes);

 private:
  // What the statements since the start have done to one record.
  struct Now {
    enum class State : uint8_t { kUntouched, kDeleted, kWritten };
    State state = State::kUntouched;
    std::string values;  // kWritten: the record's packed values (Pack); the buffer is reused
  };

  // Appends the watched values of `record` packed: for each watched column (the key first) one
  // length byte and the value's compared bytes, so that a row costs little more than its text and
  // two rows compare as two strings.
  void Pack(std::string_view record, std::string& out) const;
  // The packed values of `record` as they are now; empty when it has no live record.
  std::string_view Current(uint32_t record) const;
  std::string_view StartValues(uint32_t record) const {
    return record < start_.size() ? start_[record] : std::string_view();
  }
  common::Text Decode(size_t column, std::string_view bytes) const;

  std::string table_;
  std::vector<std::string> names_;  // the key column first
  std::vector<dbf::Field> fields_;  // of the names the table has, in the same order
  bool has_key_ = false;
  std::vector<int> watched_of_field_;  // field number -> index into fields_, or -1
  const platform::Codepage* codepage_ = nullptr;
  bool started_ = false;
  size_t max_packed_ = 0;  // the longest packed values a record of the layout can have
  // The start values of every live record, packed one after the other in blocks that never grow
  // past their first size (so that nothing moves), and each record's, by record number (empty: no
  // live record at the start).
  std::vector<std::string> start_blocks_;
  std::vector<std::string_view> start_;
  std::vector<Now> now_;  // by record number
  std::string scratch_;   // Updated builds the changed values here
};

}  // namespace store
