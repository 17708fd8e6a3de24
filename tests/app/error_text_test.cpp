#include "app/error_text.h"

#include <gtest/gtest.h>

#include <ostream>

namespace app {
namespace {

struct FullStopCase {
  const char16_t* message;
  const char16_t* shown;
};

void PrintTo(const FullStopCase& c, std::ostream* os) { *os << '"' << common::ToUtf8(c.message) << '"'; }

class ErrorTextTest : public testing::TestWithParam<FullStopCase> {};

TEST_P(ErrorTextTest, FullStopAppendedOnlyAfterCharactersAboveFullStop) {
  EXPECT_EQ(ErrorText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(Examples, ErrorTextTest,
                         testing::Values(FullStopCase{u"List index out of bounds (3)", u"List index out of bounds (3)"},
                                         FullStopCase{u"ADOCommand: Parameter 'HSOT' not found",
                                                      u"ADOCommand: Parameter 'HSOT' not found."},
                                         FullStopCase{u"Error 5", u"Error 5."},  // digit
                                         FullStopCase{u"Ошибка", u"Ошибка."},    // Cyrillic letter
                                         FullStopCase{u"Done.", u"Done."},       // no second full stop
                                         FullStopCase{u"Stop!", u"Stop!"}, FullStopCase{u"say \"x\"", u"say \"x\""},
                                         FullStopCase{u"it's '", u"it's '"}, FullStopCase{u"a,", u"a,"},
                                         FullStopCase{u"a-", u"a-"}, FullStopCase{u"trailing ", u"trailing "},
                                         FullStopCase{u"slash/", u"slash/."},  // "/" is U+002F, just above "."
                                         FullStopCase{u"colon:", u"colon:."}, FullStopCase{u"", u""}));

}  // namespace
}  // namespace app
