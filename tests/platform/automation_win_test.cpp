// The automation layer on COM, against a test-only automation object: the test process registers a
// ProgID for a class in the registry and the class's factory with CoRegisterClassObject, and the
// layer then creates it through CLSIDFromProgID and CoCreateInstance like Outlook itself. The object
// answers the calls the mail directory export makes, and records how each one arrived.
#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "common/error.h"
#include "platform/automation.h"
#include "tests/win32/fake_outlook_com.h"

namespace platform {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

using fake_outlook::Calls;
using fake_outlook::SeenCall;
constexpr CLSID kTestClass = fake_outlook::kClassId;
constexpr wchar_t kProgIdKey[] = L"Test.Outlook";

// Registers the ProgID under HKEY_CLASSES_ROOT; where that is not writable (a user without
// administrator rights on Windows) under the user's own classes, which Windows merges into it.
HKEY RegisterProgId() {
  wchar_t clsid[64];
  StringFromGUID2(kTestClass, clsid, 64);
  const DWORD size = static_cast<DWORD>((wcslen(clsid) + 1) * sizeof(wchar_t));
  const std::wstring key = std::wstring(kProgIdKey) + L"\\CLSID";
  if (RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"", REG_SZ, clsid, size) == ERROR_SUCCESS)
    return HKEY_CLASSES_ROOT;
  const std::wstring user_key = L"Software\\Classes\\" + key;
  if (RegSetKeyValueW(HKEY_CURRENT_USER, user_key.c_str(), L"", REG_SZ, clsid, size) == ERROR_SUCCESS)
    return HKEY_CURRENT_USER;
  return nullptr;
}

void UnregisterProgId(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) RegDeleteTreeW(HKEY_CLASSES_ROOT, kProgIdKey);
  if (root == HKEY_CURRENT_USER)
    RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(L"Software\\Classes\\") + kProgIdKey).c_str());
}

class AutomationWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    registry_root_ = RegisterProgId();
    ASSERT_NE(registry_root_, nullptr);
    ASSERT_TRUE(
        SUCCEEDED(CoRegisterClassObject(kTestClass, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_)));
    Calls().clear();
  }
  void TearDown() override {
    CoRevokeClassObject(cookie_);
    UnregisterProgId(registry_root_);
    CoUninitialize();
  }

  HKEY registry_root_ = nullptr;
  fake_outlook::Factory factory_;
  DWORD cookie_ = 0;
};

constexpr WORD kMethod = DISPATCH_METHOD;
constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kMethodOrGet = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

TEST_F(AutomationWinTest, DirectoryCallsArriveWithTheirInvocationKindsAndArguments) {
  AutomationRef application = CreateAutomationObject(u"Test.Outlook");
  EXPECT_EQ(factory_.created, 1);
  AutomationRef names = application->Method(u"GetNameSpace", {common::Text(u"MAPI")}).AsObject();
  AutomationRef list = names->Method(u"AddressLists", {common::Text(u"Глобальный список адресов")}).AsObject();
  EXPECT_EQ(list->Get(u"AddressEntries").AsObject()->Get(u"Count").AsInteger(), 2);
  AutomationRef entry = list->Method(u"AddressEntries", {int32_t{1}}).AsObject();
  EXPECT_EQ(entry->Get(u"Name").AsText(), u"  Иванов Иван Петрович ");
  EXPECT_EQ(entry->Get(u"Address").AsText(), u"/o=EFL/ou=Site/cn=Recipients/cn=ivanov");
  AutomationRef folder = names->Method(u"GetDefaultFolder", {int32_t{10}}).AsObject();
  EXPECT_EQ(folder->Get(u"Items").AsObject()->Get(u"Count").AsInteger(), 1);
  AutomationRef item = folder->Property(u"Items", {int32_t{1}}).AsObject();
  EXPECT_EQ(item->Get(u"LastName").AsText(), u"Петрова");
  EXPECT_EQ(item->Get(u"FirstName").AsText(), u"Мария Сергеевна");
  EXPECT_EQ(item->Get(u"BusinessTelephoneNumber").AsText(), u"123-45-67, 89");

  EXPECT_THAT(
      Calls(),
      ElementsAre(SeenCall{L"Application", L"GetNameSpace", kMethod, {L"MAPI"}},
                  SeenCall{L"Namespace", L"AddressLists", kMethod, {L"Глобальный список адресов"}},
                  SeenCall{L"AddressList", L"AddressEntries", kMethodOrGet, {}},
                  SeenCall{L"Collection", L"Count", kMethodOrGet, {}},
                  SeenCall{L"AddressList", L"AddressEntries", kMethod, {1}},
                  SeenCall{L"Entry", L"Name", kMethodOrGet, {}}, SeenCall{L"Entry", L"Address", kMethodOrGet, {}},
                  SeenCall{L"Namespace", L"GetDefaultFolder", kMethod, {10}},
                  SeenCall{L"Folder", L"Items", kMethodOrGet, {}}, SeenCall{L"Collection", L"Count", kMethodOrGet, {}},
                  SeenCall{L"Folder", L"Items", kGet, {1}}, SeenCall{L"Item", L"LastName", kMethodOrGet, {}},
                  SeenCall{L"Item", L"FirstName", kMethodOrGet, {}},
                  SeenCall{L"Item", L"BusinessTelephoneNumber", kMethodOrGet, {}}));
}

TEST_F(AutomationWinTest, ArgumentsKeepTheCallersOrderAndKinds) {
  AutomationRef application = CreateAutomationObject(u"test.outlook");  // identifiers ignore case
  EXPECT_EQ(application->Method(u"join", {common::Text(u"Ж"), int32_t{-7}}).AsText(), u"Ж|-7");
  EXPECT_THAT(Calls(), ElementsAre(SeenCall{L"Application", L"Join", kMethod, {L"Ж", -7}}));
}

TEST_F(AutomationWinTest, ResultsConvertToTextAndIntegers) {
  AutomationRef application = CreateAutomationObject(u"Test.Outlook");
  EXPECT_EQ(application->Get(u"Nothing").AsText(), u"");
  EXPECT_EQ(application->Get(u"Nothing").AsInteger(), 0);
  EXPECT_EQ(application->Get(u"Flag").AsInteger(), -1);
  EXPECT_THAT([&] { application->Get(u"Nothing").AsObject(); }, ThrowsMessage<common::Error>(StrEq("Type mismatch")));
}

TEST_F(AutomationWinTest, AResultThatCannotBeConvertedIsStillReleased) {
  AutomationRef application = CreateAutomationObject(u"Test.Outlook");
  EXPECT_THAT([&] { application->Get(u"Opaque"); }, ThrowsMessage<common::Error>(StrEq("Type mismatch")));
  EXPECT_EQ(fake_outlook::LiveOpaqueObjects(), 0);
}

TEST_F(AutomationWinTest, UnknownMemberIsNotSupported) {
  AutomationRef application = CreateAutomationObject(u"Test.Outlook");
  EXPECT_THAT([&] { application->Get(u"Quit"); },
              ThrowsMessage<common::Error>(StrEq("Method 'Quit' not supported by automation object")));
  EXPECT_TRUE(Calls().empty());
}

TEST_F(AutomationWinTest, RejectedCallGivesTheObjectsDescriptionWithoutTrailingStops) {
  AutomationRef names =
      CreateAutomationObject(u"Test.Outlook")->Method(u"GetNameSpace", {common::Text(u"MAPI")}).AsObject();
  EXPECT_THAT([&] { names->Method(u"AddressLists", {common::Text(u"Нет такого")}); },
              ThrowsMessage<common::Error>(StrEq("Список адресов не найден")));
}

TEST_F(AutomationWinTest, RejectedCallWithoutDescriptionNamesTheStatus) {
  AutomationRef application = CreateAutomationObject(u"Test.Outlook");
  AutomationRef names = application->Method(u"GetNameSpace", {common::Text(u"MAPI")}).AsObject();
  // Codes of a facility the system has no texts for.
  EXPECT_THAT([&] { names->Method(u"GetDefaultFolder", {int32_t{6}}); },
              ThrowsMessage<common::Error>(StrEq("OLE error 80041234")));
  EXPECT_THAT([&] { application->Get(u"Busy"); }, ThrowsMessage<common::Error>(StrEq("OLE error 80041235")));
}

TEST_F(AutomationWinTest, UnknownIdentifierNamesTheProgID) {
  EXPECT_THAT([&] { CreateAutomationObject(u"No.Such.Application.4711"); },
              ThrowsMessage<common::Error>(EndsWith(", ProgID: \"No.Such.Application.4711\"")));
  try {
    CreateAutomationObject(u"No.Such.Application.4711");
  } catch (const common::Error& error) {
    // The system's description (or the status code) comes first, without its full stop.
    common::Text reason = error.message().substr(0, error.message().find(u", ProgID: "));
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), u'.');
    EXPECT_GT(reason.back(), u' ');
  }
}

}  // namespace
}  // namespace platform
