#include "platform/host_lookup.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

using common::Text;

struct LookupCase {
  const char* name;
  Text host;
  Text address;
};

class GetHostIPTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(GetHostIPTest, GivesFirstIPv4AddressOrEmptyText) {
  EXPECT_EQ(GetHostIP(GetParam().host, "windows-1251"), GetParam().address);
}

INSTANTIATE_TEST_SUITE_P(
    Names, GetHostIPTest,
    ::testing::Values(LookupCase{"Localhost", u"localhost", u"127.0.0.1"},
                      LookupCase{"LocalhostUpperCase", u"LOCALHOST", u"127.0.0.1"},
                      LookupCase{"DottedAddress", u"10.1.2.3", u"10.1.2.3"},
                      LookupCase{"ReservedInvalidDomain", u"pc-12.invalid", u""}, LookupCase{"Empty", u"", u""},
                      // The name ends at a NUL, as the name service reads it; nothing is left to look up.
                      LookupCase{"StartsWithNul", Text(u"\0localhost", 10), u""},
                      LookupCase{"CyrillicName", u"ПК-12.invalid", u""},
                      // A numeric name with leading zeros resolves to itself at any length, so it shows
                      // where the limit lies: 255 bytes are looked up, 256 do not fit the name buffer.
                      LookupCase{"NumericName255Bytes", Text(249, u'0') + u".0.0.1", u"0.0.0.1"},
                      LookupCase{"NumericName256Bytes", Text(250, u'0') + u".0.0.1", u""},
                      LookupCase{"CyrillicLongerThan255Bytes", Text(256, u'Я'), u""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace platform
