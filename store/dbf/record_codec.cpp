#include "store/dbf/record_codec.h"

#include <optional>

#include "store/values.h"

namespace store::dbf {

common::Error NotAWholeNumber(const std::string& source, common::TextView text) {
  return common::Error(
      common::FromUtf8(source + " value '" + common::ToUtf8(text) + "' " + IntegerTextFault(text).value_or("")));
}

common::Error DoesNotFit(const std::string& source, common::TextView text, const Field& field) {
  return common::Error(common::FromUtf8(source + " value '" + common::ToUtf8(text) + "' does not fit column " +
                                        field.name + " (" + std::to_string(field.width) + " characters" +
                                        (field.decimals ? ", " + std::to_string(field.decimals) + " decimals" : "") +
                                        ")"));
}

namespace {

// "YYYYMMDD" naming a day of the Gregorian calendar.
bool IsDate(common::TextView text) {
  if (text.size() != static_cast<size_t>(kDateWidth)) return false;
  int digits[8];
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < u'0' || text[i] > u'9') return false;
    digits[i] = text[i] - u'0';
  }
  int year = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
  int month = digits[4] * 10 + digits[5];
  int day = digits[6] * 10 + digits[7];
  if (month < 1 || month > 12 || day < 1) return false;
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

}  // namespace

common::Error NotADate(const std::string& source, common::TextView text) {
  return common::Error(common::FromUtf8(source + " value '" + common::ToUtf8(text) + "' is not a date (YYYYMMDD)"));
}

std::string EncodeValue(const Field& field, const platform::Codepage& codepage, common::TextView text, bool integer,
                        const std::string& source) {
  if (text.empty()) return std::string(static_cast<size_t>(field.width), ' ');
  if (field.date()) {
    // A foreign table may declare another width; only the eight digits are a date there too.
    if (!IsDate(text) || field.width != kDateWidth) throw NotADate(source, text);
    return common::ToUtf8(text);
  }
  if (field.numeric() || integer) {
    std::optional<int32_t> number = ParseIntegerText(text);
    if (!number) throw NotAWholeNumber(source, text);
    if (!field.numeric()) return EncodeCharacter(common::FromUtf8(std::to_string(*number)), codepage, field.width);
    std::string bytes = EncodeNumber(*number, field.width, field.decimals);
    if (bytes.empty()) throw DoesNotFit(source, text, field);
    return bytes;
  }
  return EncodeCharacter(text, codepage, field.width);
}

std::optional<std::string_view> IndexKey(const Field& field, std::string_view bytes) {
  size_t end = bytes.size();
  while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0')) --end;
  if (!field.numeric()) return bytes.substr(0, end);
  if (IsNull(field, bytes)) return std::nullopt;
  size_t begin = 0;
  while (begin < end && bytes[begin] == ' ') ++begin;
  return bytes.substr(begin, end - begin);
}

}  // namespace store::dbf
