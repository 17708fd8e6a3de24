#include "platform/codepage.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace platform {
namespace {

TEST(CodepageTest, Windows1251RoundTripsCyrillic) {
  const Codepage& cp = Codepage::Get("windows-1251");
  EXPECT_EQ(cp.Encode(u"ЁЖИКОВ ёж"), "\xA8\xC6\xC8\xCA\xCE\xC2 \xB8\xE6");
  EXPECT_EQ(cp.Decode("\xA8\xC6\xC8\xCA\xCE\xC2 \xB8\xE6"), u"ЁЖИКОВ ёж");
}

TEST(CodepageTest, EveryByteDecodesAndUnmappableCharactersBecomeQuestionMarks) {
  const Codepage& cp = Codepage::Get("windows-1251");
  EXPECT_EQ(cp.Decode("\x98"), u"\u0098");      // undefined in 1251: the C1 control of the same value
  EXPECT_EQ(cp.Encode(u"Ïé€Ж"), "??\x88\xC6");  // no look-alike (Windows' best fit) for Ï and é
  EXPECT_EQ(Codepage::Get("cp866").Encode(u"Ж"), "\x86");
}

TEST(CodepageTest, UnknownNameIsAClearError) { EXPECT_THROW(Codepage("no-such-codepage"), common::Error); }

}  // namespace
}  // namespace platform
