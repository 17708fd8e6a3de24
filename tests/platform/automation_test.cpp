#include "platform/automation.h"
#include "tests/support/system_texts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

using ::testing::StrEq;
using ::testing::ThrowsMessage;

// Records how it was called and answers with the member's name.
class Recorder : public AutomationObject {
 public:
  AutomationValue Invoke(common::TextView name, Invocation invocation,
                         std::span<const AutomationArgument> arguments) override {
    last_invocation = invocation;
    last_arguments.assign(arguments.begin(), arguments.end());
    return common::Text(name);
  }
  Invocation last_invocation{};
  std::vector<AutomationArgument> last_arguments;
};

TEST(AutomationCreationTest, UnknownIdentifierIsAnInvalidClassString) {
  EXPECT_THAT([] { CreateAutomationObject(u"No.Such.Thing"); },
              ThrowsMessage<common::Error>(
                  StrEq(common::ToUtf8(testing_support::InvalidClassStringText()) + ", ProgID: \"No.Such.Thing\"")));
}

struct ErrorCase {
  const char* what;
  common::Error error;
  const char* message;
};

class AutomationErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(AutomationErrorTest, HasTheExactText) { EXPECT_EQ(GetParam().error.what(), std::string(GetParam().message)); }

INSTANTIATE_TEST_SUITE_P(
    Texts, AutomationErrorTest,
    ::testing::Values(
        ErrorCase{"unknown member", MemberNotSupported(u"AddressEntrys"),
                  "Method 'AddressEntrys' not supported by automation object"},
        ErrorCase{"description loses its stops and blanks",
                  MemberCallFailed(u"The operation failed. \r\n", 0x80004005u), "The operation failed"},
        ErrorCase{"inner full stops stay", MemberCallFailed(u"A. B. C..", 1), "A. B. C"},
        ErrorCase{"no description", MemberCallFailed(u"", 0x80020009u), "OLE error 80020009"},
        ErrorCase{"only stops is no description", MemberCallFailed(u" . ", 0x8002000Eu), "OLE error 8002000e"},
        ErrorCase{"creation without description", CreationFailed(u"", 0x80080005u, u"Outlook.Application"),
                  "OLE error 80080005, ProgID: \"Outlook.Application\""},
        ErrorCase{"creation with the system's text",
                  CreationFailed(u"Server execution failed.\r\n", 0x80080005u, u"Outlook.Application"),
                  "Server execution failed, ProgID: \"Outlook.Application\""}),
    [](const auto& info) {
      std::string name;
      for (char c : std::string(info.param.what)) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
      return name;
    });

TEST(AutomationValueTest, IntegersAndTextsConvertBothWaysAndNothingReadsAsEmptyTextAndZero) {
  EXPECT_EQ(AutomationValue().AsText(), u"");
  EXPECT_EQ(AutomationValue().AsInteger(), 0);
  EXPECT_EQ(AutomationValue(int32_t{-42}).AsText(), u"-42");
  EXPECT_EQ(AutomationValue(common::Text(u" 17 ")).AsInteger(), 17);
  EXPECT_EQ(AutomationValue(common::Text(u"-2147483648")).AsInteger(), INT32_MIN);
}

TEST(AutomationValueTest, WhatDoesNotConvertIsATypeMismatch) {
  auto mismatch = ThrowsMessage<common::Error>(StrEq("Type mismatch"));
  EXPECT_THAT([] { AutomationValue(common::Text(u"17a")).AsInteger(); }, mismatch);
  EXPECT_THAT([] { AutomationValue(common::Text(u"2147483648")).AsInteger(); }, mismatch);
  EXPECT_THAT([] { AutomationValue(common::Text(u"")).AsInteger(); }, mismatch);
  EXPECT_THAT([] { AutomationValue(common::Text(u"x")).AsObject(); }, mismatch);
  EXPECT_THAT([] { AutomationValue().AsObject(); }, mismatch);
  EXPECT_THAT([] { AutomationValue(AutomationRef(std::make_shared<Recorder>())).AsText(); }, mismatch);
}

TEST(AutomationObjectTest, ShorthandsInvokeAsMethodPropertyReadOrBoth) {
  Recorder recorder;
  recorder.Get(u"Count");
  EXPECT_EQ(recorder.last_invocation, Invocation::kMethodOrPropertyGet);
  EXPECT_TRUE(recorder.last_arguments.empty());

  recorder.Method(u"GetNameSpace", {common::Text(u"MAPI")});
  EXPECT_EQ(recorder.last_invocation, Invocation::kMethod);
  ASSERT_EQ(recorder.last_arguments.size(), 1u);
  EXPECT_EQ(std::get<common::Text>(recorder.last_arguments[0]), u"MAPI");

  recorder.Property(u"Items", {int32_t{3}});
  EXPECT_EQ(recorder.last_invocation, Invocation::kPropertyGet);
  ASSERT_EQ(recorder.last_arguments.size(), 1u);
  EXPECT_EQ(std::get<int32_t>(recorder.last_arguments[0]), 3);
}

TEST(AutomationObjectTest, MemberNamesIgnoreAsciiCaseOnly) {
  EXPECT_TRUE(SameMemberName(u"GetNameSpace", u"getnamespace"));
  EXPECT_FALSE(SameMemberName(u"Items", u"Item"));
  EXPECT_FALSE(SameMemberName(u"Имя", u"ИМЯ"));
}

}  // namespace
}  // namespace platform
