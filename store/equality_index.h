#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace store {

// The records of one table by the stored value of one column (dbf::IndexKey): a hash map whose lists
// stay ascending, so that rows found through it come in table order. No key (a null field) is never
// held and finds nothing.
class EqualityIndex {
 public:
  // While building from one pass over the table, records come in ascending order.
  void Append(std::optional<std::string_view> key, uint32_t record);
  void Add(std::optional<std::string_view> key, uint32_t record);
  void Remove(std::optional<std::string_view> key, uint32_t record);
  // The records holding `key`, ascending.
  std::vector<uint32_t> Find(std::optional<std::string_view> key) const;

 private:
  std::unordered_map<std::string, std::vector<uint32_t>> records_;
};

}  // namespace store
