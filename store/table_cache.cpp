#include "store/table_cache.h"

#include <optional>

#include "store/dbf/table_file.h"
#include "store/store_errors.h"

namespace store {

common::Text TableCache::FileNameOf(const std::string& table) {
  std::string name = table;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return common::FromUtf8(name + ".dbf");
}

TableWriter& TableCache::Acquire(const std::string& table) {
  auto held = tables_.find(table);
  if (held != tables_.end()) return *held->second;
  std::optional<common::Text> name = dbf::FindTableFile(folder_, FileNameOf(table));
  if (!name) throw TableNotFound(table, FileNameOf(table), shown_);
  auto opened = std::make_unique<TableWriter>(folder_, table, *name, default_codepage_, clock_);
  TableWriter& result = *opened;
  tables_[table] = std::move(opened);
  return result;
}

common::Text TableCache::Drop(const std::string& table) {
  tables_.erase(table);
  std::optional<common::Text> name = dbf::FindTableFile(folder_, FileNameOf(table));
  if (!name) throw TableNotFound(table, FileNameOf(table), shown_);
  folder_.Remove(*name);
  return *name;
}

bool TableCache::Exists(const std::string& table) const {
  return dbf::FindTableFile(folder_, FileNameOf(table)).has_value();
}

}  // namespace store
