#include "directory/outlook_stand_in.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "directory/mail_directory.h"
#include "tests/support/system_files.h"
#include "tests/support/system_texts.h"
#include "tests/support/temp_folder.h"

namespace directory {
namespace {

using platform::AutomationRef;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

constexpr char kGal[] =
    "dn:: Y249w5ZybG92\n"
    "displayName:: 0J7RgNC70L7QsiDQmNCz0L7RgNGM\n"  // Орлов Игорь
    "legacyExchangeDN: /o=Eflab/ou=First Administrative Group/cn=Recipients/cn=orlov\n"
    "\n"
    "dn: cn=kim\n"
    "displayName: Kim Oleg\n"
    "mail: o.kim@eflab.example\n";

constexpr char kContacts[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Орлов;Игорь;;;\r\nTEL;TYPE=WORK:700-10-01\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Щукин;;;;\r\nTEL;TYPE=CELL:700-30-01\r\nEND:VCARD\r\n";

class OutlookStandInTest : public ::testing::Test {
 public:
  void SetUp() override {
    gal_ = folder_.Write("gal.ldif", kGal);
    contacts_ = folder_.Write("contacts.vcf", kContacts);
  }

  AutomationRef Namespace() {
    return Files().CreateApplication()->Method(u"GetNameSpace", {common::Text(u"MAPI")}).AsObject();
  }
  DirectoryFiles Files(const char* gal = "gal.ldif") {
    return DirectoryFiles(testing_support::SystemFiles(), folder_.PathOf(gal), contacts_, "windows-1251");
  }
  AutomationRef AddressList() {
    return Namespace()->Method(u"AddressLists", {common::Text(u"Глобальный список адресов")}).AsObject();
  }
  AutomationRef Contacts() { return Namespace()->Method(u"GetDefaultFolder", {int32_t{10}}).AsObject(); }

  testing_support::TempFolder folder_;
  common::Text gal_;
  common::Text contacts_;
};

TEST_F(OutlookStandInTest, AnswersTheAddressListCalls) {
  AutomationRef list = AddressList();
  EXPECT_EQ(list->Get(u"AddressEntries").AsObject()->Get(u"Count").AsInteger(), 2);
  AutomationRef first = list->Method(u"AddressEntries", {int32_t{1}}).AsObject();
  EXPECT_EQ(first->Get(u"Name").AsText(), u"Орлов Игорь");
  EXPECT_EQ(first->Get(u"Address").AsText(), u"/o=Eflab/ou=First Administrative Group/cn=Recipients/cn=orlov");
  AutomationRef second = list->Method(u"AddressEntries", {int32_t{2}}).AsObject();
  EXPECT_EQ(second->Get(u"Name").AsText(), u"Kim Oleg");
  EXPECT_EQ(second->Get(u"Address").AsText(), u"o.kim@eflab.example");
}

TEST_F(OutlookStandInTest, AnswersTheContactsFolderCalls) {
  AutomationRef folder = Contacts();
  EXPECT_EQ(folder->Get(u"Items").AsObject()->Get(u"Count").AsInteger(), 2);
  AutomationRef first = folder->Property(u"Items", {int32_t{1}}).AsObject();
  EXPECT_EQ(first->Get(u"LastName").AsText(), u"Орлов");
  EXPECT_EQ(first->Get(u"FirstName").AsText(), u"Игорь");
  EXPECT_EQ(first->Get(u"BusinessTelephoneNumber").AsText(), u"700-10-01");
  AutomationRef second = folder->Property(u"Items", {int32_t{2}}).AsObject();
  EXPECT_EQ(second->Get(u"LastName").AsText(), u"Щукин");
  EXPECT_EQ(second->Get(u"FirstName").AsText(), u"");
  EXPECT_EQ(second->Get(u"BusinessTelephoneNumber").AsText(), u"");
}

TEST_F(OutlookStandInTest, MemberNamesIgnoreCase) {
  AutomationRef list = Namespace()->Method(u"addresslists", {common::Text(u"Глобальный список адресов")}).AsObject();
  EXPECT_EQ(list->Get(u"ADDRESSENTRIES").AsObject()->Get(u"count").AsInteger(), 2);
}

TEST_F(OutlookStandInTest, EachCreationReadsTheFilesAgain) {
  DirectoryFiles files = Files();
  auto count = [](const AutomationRef& application) {
    return application->Method(u"GetNameSpace", {common::Text(u"MAPI")})
        .AsObject()
        ->Method(u"AddressLists", {common::Text(u"Глобальный список адресов")})
        .AsObject()
        ->Get(u"AddressEntries")
        .AsObject()
        ->Get(u"Count")
        .AsInteger();
  };
  AutomationRef before = files.CreateApplication();
  folder_.Write("gal.ldif", "dn: cn=a\ndisplayName: A\n");
  EXPECT_EQ(count(files.CreateApplication()), 1);
  EXPECT_EQ(count(before), 2);
  // A file broken since is refused, not answered from what was read before it.
  folder_.Write("gal.ldif", "displayName: A\n");
  EXPECT_THROW(files.CreateApplication(), common::Error);
  folder_.Write("gal.ldif", kGal);
  EXPECT_EQ(count(files.CreateApplication()), 2);
}

TEST_F(OutlookStandInTest, UnknownMembersAreNotSupported) {
  auto not_supported = [](const char* name) {
    return ThrowsMessage<common::Error>(StrEq(std::string("Method '") + name + "' not supported by automation object"));
  };
  EXPECT_THAT([&] { Files().CreateApplication()->Get(u"Session"); }, not_supported("Session"));
  EXPECT_THAT([&] { Namespace()->Get(u"Folders"); }, not_supported("Folders"));
  EXPECT_THAT([&] { AddressList()->Get(u"AddressEntrys"); }, not_supported("AddressEntrys"));
  EXPECT_THAT([&] { AddressList()->Get(u"AddressEntries").AsObject()->Get(u"Item"); }, not_supported("Item"));
  EXPECT_THAT([&] { Contacts()->Property(u"Items", {int32_t{1}}).AsObject()->Get(u"Email1Address"); },
              not_supported("Email1Address"));
}

struct RejectedCall {
  const char* what;
  std::function<void(OutlookStandInTest&)> call;
  const char* message;
};

TEST_F(OutlookStandInTest, RejectedCallsGiveTheirDescription) {
  const RejectedCall cases[] = {
      {"other namespace", [](auto& t) { t.Files().CreateApplication()->Method(u"GetNameSpace", {common::Text(u"X")}); },
       "The namespace \"X\" is not available; only \"MAPI\" is"},
      {"namespace without argument", [](auto& t) { t.Files().CreateApplication()->Method(u"GetNameSpace", {}); },
       "Invalid number of parameters"},
      {"other address list",
       [](auto& t) { t.Namespace()->Method(u"AddressLists", {common::Text(u"Все пользователи")}); },
       "The attempted operation failed.  An object could not be found"},
      {"other folder", [](auto& t) { t.Namespace()->Method(u"GetDefaultFolder", {int32_t{6}}); },
       "Only the contacts folder (10) is available"},
      {"index 0", [](auto& t) { t.AddressList()->Method(u"AddressEntries", {int32_t{0}}); },
       "Array index out of bounds"},
      {"index past the end", [](auto& t) { t.AddressList()->Method(u"AddressEntries", {int32_t{3}}); },
       "Array index out of bounds"},
      {"item past the end", [](auto& t) { t.Contacts()->Property(u"Items", {int32_t{3}}); },
       "Array index out of bounds"},
      {"text index", [](auto& t) { t.Contacts()->Property(u"Items", {common::Text(u"1")}); }, "Type mismatch"},
      {"name with argument",
       [](auto& t) {
         t.AddressList()->Method(u"AddressEntries", {int32_t{1}}).AsObject()->Method(u"Name", {int32_t{1}});
       },
       "Invalid number of parameters"},
  };
  for (const RejectedCall& rejected : cases) {
    SCOPED_TRACE(rejected.what);
    EXPECT_THAT([&] { rejected.call(*this); }, ThrowsMessage<common::Error>(StrEq(rejected.message)));
  }
}

TEST_F(OutlookStandInTest, MissingFileFailsTheCreation) {
  EXPECT_THAT([&] { Files("none.ldif").CreateApplication(); },
              ThrowsMessage<common::Error>(StrEq("Cannot open file \"" + common::ToUtf8(folder_.PathOf("none.ldif")) +
                                                 "\". " + common::ToUtf8(testing_support::FileNotFoundText()) +
                                                 ", ProgID: \"Outlook.Application\"")));
}

TEST_F(OutlookStandInTest, BrokenContactsFileFailsTheCreation) {
  folder_.Write("contacts.vcf", "BEGIN:VCARD\nN:A;B\n");
  EXPECT_THAT([&] { Files().CreateApplication(); },
              ThrowsMessage<common::Error>(StrEq("Cannot read file \"" + common::ToUtf8(contacts_) +
                                                 "\". Line 1: The card that begins here has no END:VCARD, "
                                                 "ProgID: \"Outlook.Application\"")));
}

TEST(MadeAsOutlookTest, NoObjectIsAnOleError) {
  EXPECT_THAT([] { MadeAsOutlook([] { return AutomationRef(); }); },
              ThrowsMessage<common::Error>(StrEq("OLE error 80004005, ProgID: \"Outlook.Application\"")));
}

}  // namespace
}  // namespace directory
