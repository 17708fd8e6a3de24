#include "platform/automation.h"

#include <cstdint>
#include <cstdio>
#include <optional>

namespace platform {
namespace {

common::Text WithoutTrailingStops(common::TextView text) {
  while (!text.empty() && (common::IsBlank(text.back()) || text.back() == u'.')) text.remove_suffix(1);
  return common::Text(text);
}

common::Text OleErrorText(uint32_t status) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "OLE error %.8x", static_cast<unsigned>(status));
  return common::FromUtf8(buffer);
}

common::Text Described(common::TextView description, uint32_t status) {
  common::Text text = WithoutTrailingStops(description);
  return text.empty() ? OleErrorText(status) : text;
}

common::Error TypeMismatch() { return common::Error(u"Type mismatch"); }

// A text converts to an integer when it is blanks, an optional sign and decimal digits in range.
std::optional<int32_t> TextToInteger(common::TextView text) {
  common::Text trimmed = common::Trim(text);
  size_t i = 0;
  bool negative = false;
  if (i < trimmed.size() && (trimmed[i] == u'-' || trimmed[i] == u'+')) negative = trimmed[i++] == u'-';
  if (i == trimmed.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < trimmed.size(); ++i) {
    if (trimmed[i] < u'0' || trimmed[i] > u'9') return std::nullopt;
    value = value * 10 + (trimmed[i] - u'0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<int32_t>(value);
}

}  // namespace

common::Text AutomationValue::AsText() const {
  if (empty()) return {};
  if (auto* text = std::get_if<common::Text>(&value_)) return *text;
  if (auto* number = std::get_if<int32_t>(&value_)) return common::FromUtf8(std::to_string(*number));
  throw TypeMismatch();
}

int32_t AutomationValue::AsInteger() const {
  if (empty()) return 0;
  if (auto* number = std::get_if<int32_t>(&value_)) return *number;
  if (auto* text = std::get_if<common::Text>(&value_)) {
    if (auto number = TextToInteger(*text)) return *number;
  }
  throw TypeMismatch();
}

AutomationRef AutomationValue::AsObject() const {
  if (auto* object = std::get_if<AutomationRef>(&value_); object && *object) return *object;
  throw TypeMismatch();
}

common::Error CreationFailed(common::TextView reason, uint32_t status, common::TextView prog_id) {
  common::Text text = Described(reason, status);
  text += u", ProgID: \"";
  text += prog_id;
  text += u"\"";
  return common::Error(std::move(text));
}

common::Error MemberNotSupported(common::TextView name) {
  common::Text text = u"Method '";
  text += name;
  text += u"' not supported by automation object";
  return common::Error(std::move(text));
}

common::Error MemberCallFailed(common::TextView description, uint32_t status) {
  return common::Error(Described(description, status));
}

bool SameMemberName(common::TextView a, common::TextView b) {
  return a.size() == b.size() && common::AsciiUpperCase(a) == common::AsciiUpperCase(b);
}

}  // namespace platform
