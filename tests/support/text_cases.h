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

inline std::string CaseName(const ::testing::TestParamInfo<TextCase>& info) { return info.param.name; }

}  // namespace testing_support
