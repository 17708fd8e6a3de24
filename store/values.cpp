#include "store/values.h"

namespace store {

namespace {

enum class Parsed { kNumber, kNotWholeNumber, kOutOfRange };

Parsed Parse(common::TextView text, int32_t& number) {
  common::Text trimmed = common::Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == u'+' || trimmed[i] == u'-')) negative = trimmed[i++] == u'-';
  if (i == trimmed.size()) return Parsed::kNotWholeNumber;
  int64_t value = 0;
  bool too_large = false;
  // Every character is looked at, so that "99999999999x" is no whole number rather than too large.
  for (; i < trimmed.size(); ++i) {
    char16_t c = trimmed[i];
    if (c < u'0' || c > u'9') return Parsed::kNotWholeNumber;
    if (!too_large) value = value * 10 + (c - u'0');
    if (value > int64_t{1} << 31) too_large = true;
  }
  if (negative) value = -value;
  if (too_large || value < INT32_MIN || value > INT32_MAX) return Parsed::kOutOfRange;
  number = static_cast<int32_t>(value);
  return Parsed::kNumber;
}

}  // namespace

std::optional<int32_t> ParseIntegerText(common::TextView text) {
  int32_t number = 0;
  if (Parse(text, number) != Parsed::kNumber) return std::nullopt;
  return number;
}

std::optional<std::string> IntegerTextFault(common::TextView text) {
  int32_t number = 0;
  switch (Parse(text, number)) {
    case Parsed::kNumber:
      return std::nullopt;
    case Parsed::kNotWholeNumber:
      return "is not a whole number";
    case Parsed::kOutOfRange:
      break;
  }
  return "is out of range (" + std::to_string(INT32_MIN) + " to " + std::to_string(INT32_MAX) + ")";
}

}  // namespace store
