// The Windows sources of text: system error descriptions, the ANSI code page and case mapping.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/text.h"
#include "platform/codepage.h"
#include "platform/system_error.h"

namespace platform {
namespace {

TEST(SystemErrorTextWinTest, DescriptionWithoutTrailingFullStopOrLineBreak) {
  for (int code : {ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_SHARING_VIOLATION}) {
    common::Text text = SystemErrorText(code);
    ASSERT_FALSE(text.empty()) << code;
    EXPECT_NE(text.back(), u'.') << code;
    EXPECT_GT(text.back(), u' ') << code;
  }
  EXPECT_NE(SystemErrorText(ERROR_FILE_NOT_FOUND), SystemErrorText(ERROR_ACCESS_DENIED));
}

TEST(CodepageWinTest, NamesMapToWindowsCodePages) {
  EXPECT_EQ(Codepage::Get("ibm-866").Encode(u"Журнал"), "\x86\xE3\xE0\xAD\xA0\xAB");
  EXPECT_EQ(Codepage::Get("windows-1252").Decode("\x80"), u"€");
  EXPECT_TRUE(Codepage::Get("windows-1251").single_byte());
}

TEST(CodepageWinTest, EveryByteDecodes) {
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte.push_back(static_cast<char>(b));
  EXPECT_EQ(Codepage::Get("windows-1251").Decode(every_byte).size(), 255u);
}

// The ANSI code page follows the system's locale; under a Russian locale it is windows-1251.
TEST(CodepageWinTest, AcpIsTheSystemAnsiCodePage) {
  if (GetACP() != 1251) GTEST_SKIP() << "the system's ANSI code page is " << GetACP() << ", not 1251";
  const Codepage& acp = Codepage::Get("ACP");
  EXPECT_EQ(acp.name(), "windows-1251");
  EXPECT_EQ(acp.Decode("\xC6\xF3\xF0\xED\xE0\xEB"), u"Журнал");
  EXPECT_EQ(acp.Encode(u"ёЁ"), "\xB8\xA8");
}

TEST(CaseWinTest, LowerCaseAndANulInside) {
  EXPECT_EQ(common::LowerCase(u"ИНВЕНТАРЬ.EXE"), u"инвентарь.exe");
  EXPECT_EQ(common::UpperCase(common::Text(u"a\0b", 3)), common::Text(u"A\0B", 3));  // a NUL ends nothing
}

}  // namespace
}  // namespace platform
