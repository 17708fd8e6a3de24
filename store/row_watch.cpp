#include "store/row_watch.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>

#include "store/dbf/record_codec.h"

namespace store {

namespace {

// The end of a character field's bytes without their trailing blanks, as dbf::IndexKey cuts them:
// eight at a time over the spaces that pad most values, then byte by byte.
size_t TrimmedEnd(std::string_view bytes) {
  constexpr uint64_t kEightSpaces = 0x2020202020202020;
  size_t end = bytes.size();
  for (uint64_t word; end >= sizeof word; end -= sizeof word) {
    std::memcpy(&word, bytes.data() + end - sizeof word, sizeof word);
    if (word != kEightSpaces) break;
  }
  while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0')) --end;
  return end;
}

// The bytes of a field's value that "WHERE column = :value" compares (dbf::IndexKey); nothing for a
// blank number.
std::string_view Compared(const dbf::Field& field, std::string_view bytes) {
  if (field.numeric()) return dbf::IndexKey(field, bytes).value_or(std::string_view());
  return bytes.substr(0, TrimmedEnd(bytes));
}

// The next value of packed values, taken off their front.
std::string_view TakeValue(std::string_view& values) {
  size_t length = static_cast<unsigned char>(values[0]);
  std::string_view value = values.substr(1, length);
  values.remove_prefix(1 + length);
  return value;
}

}  // namespace

RowWatch::RowWatch(std::string table, std::string key_column, std::vector<std::string> columns)
    : table_(std::move(table)) {
  names_.push_back(std::move(key_column));
  for (std::string& column : columns) names_.push_back(std::move(column));
}

void RowWatch::Attach(const dbf::Header& header, const platform::Codepage& codepage) {
  codepage_ = &codepage;
  fields_.clear();
  max_packed_ = 0;
  watched_of_field_.assign(header.fields.size(), -1);
  has_key_ = header.FindField(names_[0]) >= 0;
  if (!has_key_) return;
  for (const std::string& name : names_) {
    int field = header.FindField(name);
    if (field < 0) continue;
    watched_of_field_[static_cast<size_t>(field)] = static_cast<int>(fields_.size());
    fields_.push_back(header.fields[static_cast<size_t>(field)]);
    max_packed_ += 1 + static_cast<size_t>(fields_.back().width);
  }
}

void RowWatch::Pack(std::string_view record, std::string& out) const {
  for (const dbf::Field& field : fields_) {
    std::string_view value = Compared(field, dbf::FieldBytes(field, record));
    out.push_back(static_cast<char>(value.size()));
    out.append(value);
  }
}

std::string_view RowWatch::Current(uint32_t record) const {
  if (record >= now_.size() || now_[record].state == Now::State::kUntouched) return StartValues(record);
  if (now_[record].state == Now::State::kDeleted) return {};
  return now_[record].values;
}

common::Text RowWatch::Decode(size_t column, std::string_view bytes) const {
  return dbf::DecodeField(fields_[column], bytes, *codepage_);
}

void RowWatch::StartRecord(uint32_t record, std::string_view bytes) {
  if (!has_key_ || started_) return;
  if (start_blocks_.empty() || start_blocks_.back().capacity() - start_blocks_.back().size() < max_packed_) {
    // Below the size for which the allocator maps fresh pages: a block costs no page faults.
    constexpr size_t kBlockBytes = 64 * 1024;
    start_blocks_.emplace_back().reserve(std::max(kBlockBytes, max_packed_));
  }
  std::string& block = start_blocks_.back();
  size_t begin = block.size();
  Pack(bytes, block);
  if (start_.size() <= record) start_.resize(size_t{record} + 1);
  start_[record] = std::string_view(block).substr(begin);
}

void RowWatch::Wrote(uint32_t record, std::string_view bytes) {
  if (!has_key_) return;
  if (now_.size() <= record) now_.resize(size_t{record} + 1);
  Now& now = now_[record];
  now.state = Now::State::kWritten;
  now.values.clear();
  Pack(bytes, now.values);
}

void RowWatch::Deleted(uint32_t record) {
  if (!has_key_) return;
  if (now_.size() <= record) now_.resize(size_t{record} + 1);
  now_[record].state = Now::State::kDeleted;
}

void RowWatch::Updated(uint32_t record, int field, std::string_view bytes) {
  int column = field < static_cast<int>(watched_of_field_.size()) ? watched_of_field_[static_cast<size_t>(field)] : -1;
  if (column < 0) return;
  std::string_view current = Current(record);
  if (current.empty()) return;
  // The values before the column, the column's new value, the values after it.
  size_t at = 0;
  for (int before = 0; before < column; ++before) at += 1 + static_cast<unsigned char>(current[at]);
  std::string_view value = Compared(fields_[static_cast<size_t>(column)], bytes);
  scratch_.assign(current.substr(0, at));
  scratch_.push_back(static_cast<char>(value.size()));
  scratch_.append(value);
  scratch_.append(current.substr(at + 1 + static_cast<unsigned char>(current[at])));
  if (now_.size() <= record) now_.resize(size_t{record} + 1);
  now_[record].state = Now::State::kWritten;
  now_[record].values.swap(scratch_);
}

void RowWatch::ForEachChange(const std::function<void(const ChangedRow&)>& visit) const {
  // The first record of each key at the start, in a table of record numbers addressed by the
  // key's hash (the next free slot on a collision): no allocation per key.
  constexpr uint32_t kNoRecord = UINT32_MAX;
  const size_t mask = std::bit_ceil(2 * start_.size() + 1) - 1;
  std::vector<uint32_t> first_of_key(mask + 1, kNoRecord);
  auto key_at = [&](uint32_t record) {
    std::string_view values = start_[record];
    return TakeValue(values);
  };
  auto slot_of = [&](std::string_view key) -> uint32_t& {
    size_t slot = std::hash<std::string_view>{}(key)&mask;
    while (first_of_key[slot] != kNoRecord && key_at(first_of_key[slot]) != key) slot = (slot + 1) & mask;
    return first_of_key[slot];
  };
  for (uint32_t record = 0; record < start_.size(); ++record) {
    if (start_[record].empty()) continue;
    uint32_t& first = slot_of(key_at(record));
    if (first == kNoRecord) first = record;
  }
  ChangedRow row;
  for (uint32_t record = 0; record < now_.size(); ++record) {
    if (now_[record].state != Now::State::kWritten) continue;
    const std::string& values = now_[record].values;
    std::string_view now = values;
    std::string_view key = TakeValue(now);
    if (key.empty()) continue;
    uint32_t start = slot_of(key);
    std::string_view before;
    if (start != kNoRecord) {
      before = start_[start];
      // The same key and the same bytes of every column: nothing changed.
      if (before == values) continue;
      TakeValue(before);
    }
    row.columns.clear();
    row.created = start == kNoRecord;
    for (size_t column = 1; column < fields_.size(); ++column) {
      std::string_view new_value = TakeValue(now);
      std::string_view old_value = row.created ? std::string_view() : TakeValue(before);
      if (!row.created && old_value == new_value) continue;
      row.columns.push_back(
          {fields_[column].name, row.created ? common::Text() : Decode(column, old_value), Decode(column, new_value)});
    }
    row.key = Decode(0, key);
    visit(row);
  }
}

}  // namespace store
