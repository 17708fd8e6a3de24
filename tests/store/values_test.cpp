#include "store/values.h"

#include <gtest/gtest.h>

namespace store {
namespace {

TEST(ParseIntegerTextTest, AcceptsWholeNumbersWithBlanksAround) {
  EXPECT_EQ(ParseIntegerText(u"2400"), 2400);
  EXPECT_EQ(ParseIntegerText(u" \t-17 "), -17);
  EXPECT_EQ(ParseIntegerText(u"+0"), 0);
  EXPECT_EQ(ParseIntegerText(u"2147483647"), 2147483647);
  EXPECT_EQ(ParseIntegerText(u"-2147483648"), INT32_MIN);
}

TEST(ParseIntegerTextTest, RefusesEverythingElse) {
  for (const char16_t* bad : {u"", u"  ", u"-", u"2.4GHz", u"2.0", u"1 000", u"0x10", u"2147483648", u"-2147483649",
                              u"99999999999999999999999", u"٣"}) {
    EXPECT_EQ(ParseIntegerText(bad), std::nullopt) << common::ToUtf8(bad);
  }
}

}  // namespace
}  // namespace store
