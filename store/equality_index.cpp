#include "store/equality_index.h"

#include <algorithm>

namespace store {

void EqualityIndex::Append(std::optional<std::string_view> key, uint32_t record) {
  if (key) records_[std::string(*key)].push_back(record);
}

void EqualityIndex::Add(std::optional<std::string_view> key, uint32_t record) {
  if (!key) return;
  std::vector<uint32_t>& records = records_[std::string(*key)];
  records.insert(std::upper_bound(records.begin(), records.end(), record), record);
}

void EqualityIndex::Remove(std::optional<std::string_view> key, uint32_t record) {
  if (!key) return;
  auto found = records_.find(std::string(*key));
  if (found == records_.end()) return;
  std::vector<uint32_t>& records = found->second;
  auto at = std::lower_bound(records.begin(), records.end(), record);
  if (at != records.end() && *at == record) records.erase(at);
  if (records.empty()) records_.erase(found);
}

std::vector<uint32_t> EqualityIndex::Find(std::optional<std::string_view> key) const {
  if (!key) return {};
  auto found = records_.find(std::string(*key));
  return found == records_.end() ? std::vector<uint32_t>{} : found->second;
}

}  // namespace store
