#include "platform/host_lookup.h"

#include <gtest/gtest.h>

#include "tests/support/text_cases.h"

namespace platform {
namespace {

using common::Text;
using testing_support::TextCase;

class GetHostIPTest : public ::testing::TestWithParam<testing_support::TextCase> {};

TEST_P(GetHostIPTest, GivesFirstIPv4AddressOrEmptyText) {
  EXPECT_EQ(GetHostIP(GetParam().input, "windows-1251"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, GetHostIPTest,
    ::testing::Values(TextCase{"Localhost", u"localhost", u"127.0.0.1"},
                      TextCase{"LocalhostUpperCase", u"LOCALHOST", u"127.0.0.1"},
                      TextCase{"DottedAddress", u"10.1.2.3", u"10.1.2.3"},
                      TextCase{"ReservedInvalidDomain", u"pc-12.invalid", u""}, TextCase{"Empty", u"", u""},
                      // The name ends at a NUL, as the name service reads it; nothing is left to look up.
                      TextCase{"StartsWithNul", Text(u"\0localhost", 10), u""},
                      TextCase{"CyrillicName", u"ПК-12.invalid", u""},
                      // A numeric name with leading zeros resolves to itself at any length, so it shows
                      // where the limit lies: 255 bytes are looked up, 256 do not fit the name buffer.
                      TextCase{"NumericName255Bytes", Text(249, u'0') + u".0.0.1", u"0.0.0.1"},
                      TextCase{"NumericName256Bytes", Text(250, u'0') + u".0.0.1", u""},
                      TextCase{"CyrillicLongerThan255Bytes", Text(256, u'Я'), u""}),
    testing_support::CaseName);

}  // namespace
}  // namespace platform
