#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/text.h"

namespace testing_support {

// A named example of a function from one text to another, for the parameterised tests of such
// functions; the name becomes the test's, so that a failure says which example failed.
struct TextCase {
  const char* name;
  common::Text input;
  common::Text expected;
};

// Names each case of a parameterised test after its `name` member, whatever the case's type.
inline constexpr auto CaseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace testing_support
