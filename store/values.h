#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/text.h"

namespace store {

// The one rule by which integer parameter text becomes a number: optional blanks around an optional
// sign and at least one decimal digit, nothing else, within the 32-bit range that an INTEGER column
// holds. Callers that must refuse a bad value before touching the database use this same function.
std::optional<int32_t> ParseIntegerText(common::TextView text);

// Why ParseIntegerText refuses `text`, as the end of the message that names the parameter and the
// value: "is not a whole number", or for a whole number beyond the 32-bit range "is out of range
// (-2147483648 to 2147483647)". Nothing when the text is accepted.
std::optional<std::string> IntegerTextFault(common::TextView text);

}  // namespace store
