#include "store/values.h"

namespace store {

std::optional<int32_t> ParseIntegerText(common::TextView text) {
  common::Text trimmed = common::Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) negative = trimmed[i++] == u'-';
  if (i == trimmed.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < trimmed.size(); ++i) {
    char16_t c = trimmed[i];
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > int64_t{1} << 31) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace store
