#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace store {

// The one rule by which integer parameter text becomes a number: optional blanks around an optional
// sign and at least one decimal digit, nothing else, within the 32-bit range that an INTEGER column
// holds. Callers that must refuse a bad value before touching the database use this same function.
std::optional<int32_t> ParseIntegerText(common::TextView text);

}  // namespace store
