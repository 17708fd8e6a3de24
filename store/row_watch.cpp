#include "store/row_watch.h"

#include "store/dbf/record_codec.h"

namespace store {

RowWatch::RowWatch(std::string table, std::string key_column, std::vector<std::string> columns)
    : table_(std::move(table)) {
  names_.push_back(std::move(key_column));
  for (std::string& column : columns) names_.push_back(std::move(column));
}

void RowWatch::Attach(const dbf::Header& header, const platform::Codepage& codepage) {
  codepage_ = &codepage;
  fields_.clear();
  watched_of_field_.assign(header.fields.size(), -1);
  has_key_ = header.FindField(names_[0]) >= 0;
  if (!has_key_) return;
  for (const std::string& name : names_) {
    int field = header.FindField(name);
    if (field < 0) continue;
    watched_of_field_[static_cast<size_t>(field)] = static_cast<int>(fields_.size());
    fields_.push_back(header.fields[static_cast<size_t>(field)]);
  }
}

std::string RowWatch::Values(std::string_view record) const {
  std::string values;
  for (const dbf::Field& field : fields_) {
    std::string_view bytes = dbf::IndexKey(field, dbf::FieldBytes(field, record)).value_or(std::string_view());
    values.push_back(static_cast<char>(bytes.size()));
    values.append(bytes);
  }
  return values;
}

std::vector<std::string_view> RowWatch::Split(std::string_view values) {
  std::vector<std::string_view> parts;
  for (size_t at = 0; at < values.size();) {
    size_t length = static_cast<unsigned char>(values[at]);
    parts.push_back(values.substr(at + 1, length));
    at += 1 + length;
  }
  return parts;
}

common::Text RowWatch::Decode(size_t column, std::string_view bytes) const {
  return dbf::DecodeField(fields_[column], bytes, *codepage_);
}

void RowWatch::StartRecord(uint32_t record, std::string_view bytes) {
  if (!has_key_) return;
  if (start_.size() <= record) start_.resize(size_t{record} + 1);
  start_[record] = Values(bytes);
  start_record_of_key_.emplace(std::string(Split(start_[record])[0]), record);
}

void RowWatch::Wrote(uint32_t record, std::string_view bytes) {
  if (has_key_) now_[record] = Values(bytes);
}

void RowWatch::Deleted(uint32_t record) {
  if (has_key_) now_[record] = std::nullopt;
}

void RowWatch::Updated(uint32_t record, int field, std::string_view bytes) {
  int column = field < static_cast<int>(watched_of_field_.size()) ? watched_of_field_[static_cast<size_t>(field)] : -1;
  if (column < 0) return;
  std::string values;
  if (auto found = now_.find(record); found != now_.end()) {
    if (!found->second) return;
    values = *found->second;
  } else if (record < start_.size() && !start_[record].empty()) {
    values = start_[record];
  } else {
    return;
  }
  std::vector<std::string_view> parts = Split(values);
  const dbf::Field& f = fields_[static_cast<size_t>(column)];
  parts[static_cast<size_t>(column)] = dbf::IndexKey(f, bytes).value_or(std::string_view());
  std::string changed;
  for (std::string_view part : parts) {
    changed.push_back(static_cast<char>(part.size()));
    changed.append(part);
  }
  now_[record] = std::move(changed);
}

std::vector<ChangedRow> RowWatch::Changes() const {
  std::vector<ChangedRow> changes;
  for (const auto& [record, values] : now_) {
    if (!values) continue;
    std::vector<std::string_view> now = Split(*values);
    if (now[0].empty()) continue;
    ChangedRow row;
    row.key = Decode(0, now[0]);
    auto start = start_record_of_key_.find(std::string(now[0]));
    std::vector<std::string_view> before;
    if (start == start_record_of_key_.end()) {
      row.created = true;
    } else {
      before = Split(start_[start->second]);
    }
    for (size_t column = 1; column < now.size(); ++column) {
      if (!row.created && before[column] == now[column]) continue;
      row.columns.push_back({fields_[column].name, row.created ? common::Text() : Decode(column, before[column]),
                             Decode(column, now[column])});
    }
    if (row.created || !row.columns.empty()) changes.push_back(std::move(row));
  }
  return changes;
}

}  // namespace store
