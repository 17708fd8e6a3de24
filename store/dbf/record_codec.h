#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/error.h"
#include "common/text.h"
#include "platform/codepage.h"
#include "store/dbf/format.h"

// Values to and from the bytes of one record's fields, and the keys the equality index compares.
namespace store::dbf {

// The bytes of `field` within a whole record (flag byte included).
inline std::string_view FieldBytes(const Field& field, std::string_view record) {
  return record.substr(field.offset, static_cast<size_t>(field.width));
}

// Converts a value to the bytes of `field`. An empty value is blanks (null in a number or a date). Text
// is cut to the width; a value bound as an integer (`integer`), or any value of a numeric field, must
// be a whole number that fits; a value of a date field must be a day written "YYYYMMDD". `source`
// names the value in messages ("Parameter 'SPEED'"). Throws NotAWholeNumber, DoesNotFit or NotADate.
std::string EncodeValue(const Field& field, const platform::Codepage& codepage, common::TextView text, bool integer,
                        const std::string& source);

// The stored value an equality look-up compares. Character values compare as dBase compares them:
// trailing blanks do not count, so the empty text equals a field of blanks, while leading blanks do
// (" PC-12" is not "PC-12"). A number compares without blanks; a blank number is null, has no key
// and matches nothing.
std::optional<std::string_view> IndexKey(const Field& field, std::string_view bytes);

// "<source> value '<text>' is not a whole number", or for a whole number beyond the 32-bit range
// "<source> value '<text>' is out of range (-2147483648 to 2147483647)".
common::Error NotAWholeNumber(const std::string& source, common::TextView text);
// "<source> value '<text>' is not a date (YYYYMMDD)".
common::Error NotADate(const std::string& source, common::TextView text);
// "<source> value '<text>' does not fit column <name> (<width> characters[, <decimals> decimals])".
common::Error DoesNotFit(const std::string& source, common::TextView text, const Field& field);

}  // namespace store::dbf
