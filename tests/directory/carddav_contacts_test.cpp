#include "directory/carddav_contacts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "tests/directory/live_source.h"
#include "tests/directory/printers.h"
#include "tests/support/radicale_server.h"
#include "tests/support/system_files.h"

namespace directory {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing_support::RadicaleServer;

constexpr const char* kBook = "ivanov/contacts/";

// Cards as address books keep them: 3.0 and 4.0, TYPE lists, a quoted TYPE with a tel: URI, a
// group prefix, escapes (a comma in a value escaped, or Radicale keeps only what comes before it), a
// card without a business phone and one with only a mobile.
constexpr const char* kCards =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-1\r\nN:Петров;Иван;Сергеевич;;\r\nFN:Иван Петров\r\n"
    "TEL;TYPE=CELL:+7 916 000-00-01\r\nTEL;TYPE=WORK,VOICE:+7 (495) 123-45-67\\, доб. 12\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:4.0\r\nUID:card-2\r\nN:Тарасов;Глеб;;;\r\nFN:Глеб Тарасов\r\n"
    "TEL;TYPE=\"work,voice\";VALUE=uri:tel:+7-495-700-80-01\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-3\r\nN:Ли\\;Чан;Мин\\,Хо;;;\r\nFN:Мин Хо Ли\r\n"
    "item1.TEL;TYPE=WORK:700-60-01\r\nitem1.X-ABLabel:Офис\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-4\r\nN:Соболева;Нина;;;\r\nFN:Нина Соболева\r\n"
    "TEL;TYPE=CELL:+7 916 000-00-04\r\nEND:VCARD\r\n";

std::vector<ContactCard> Sorted(std::vector<ContactCard> cards) {
  std::sort(cards.begin(), cards.end(), [](const ContactCard& a, const ContactCard& b) {
    return std::tie(a.last_name, a.first_name, a.business_phone) < std::tie(b.last_name, b.first_name, b.business_phone);
  });
  return cards;
}

class CardDavContactsTest : public ServerSuite<RadicaleServer, CardDavContactsTest> {
 public:
  static std::unique_ptr<RadicaleServer> Start() {
    auto server = std::make_unique<RadicaleServer>();
    server->MakeAddressBook(kBook, kCards);
    return server;
  }

 protected:
  static CardDavSource Source() {
    CardDavSource source;
    source.url = common::FromUtf8(server_->Url(kBook));
    source.user = common::FromUtf8(testing_support::kDavUser);
    source.password_file = PasswordFile(server_->scratch(), testing_support::kDavPassword);
    source.ca_file = platform::FsPathToText(server_->ca_file());
    source.timeout_seconds = 2;
    return source;
  }
};

TEST_F(CardDavContactsTest, GivesTheContactsTheVcardFileOfTheSameCardsGives) {
  std::vector<ContactCard> contacts = ReadContactsCardDav(testing_support::SystemFiles(), Source(), "windows-1251");
  EXPECT_EQ(Sorted(contacts), Sorted({ContactCard{u"Петров", u"Иван", u"+7 (495) 123-45-67, доб. 12"},
                                      ContactCard{u"Тарасов", u"Глеб", u"+7-495-700-80-01"},
                                      ContactCard{u"Ли;Чан", u"Мин,Хо", u"700-60-01"},
                                      ContactCard{u"Соболева", u"Нина", u""}}));
  EXPECT_EQ(Sorted(contacts), Sorted(ReadContacts(kCards, u"contacts.vcf", "windows-1251")));
}

struct FailureCase {
  std::string name;
  std::function<void(CardDavSource&, const RadicaleServer&)> change;
  std::string what;     // the reader's own words, after "Cannot read the contacts from <url>: "
  std::string library;  // libcurl's text or the HTTP status that follows them
};

class CardDavFailureTest : public CardDavContactsTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CardDavFailureTest, FailsWithAMessageNamingTheAddressBookAndWhatToCheck) {
  CardDavSource source = Source();
  std::unique_ptr<testing_support::SilentServer> silent;
  if (GetParam().name == "SilentServer") {
    silent = std::make_unique<testing_support::SilentServer>();
    source.url = common::FromUtf8("https://127.0.0.1:" + std::to_string(silent->port()) + "/");
  }
  GetParam().change(source, *server_);
  EXPECT_THAT(ErrorOf([&] { ReadContactsCardDav(testing_support::SystemFiles(), source, "windows-1251"); }),
              AllOf(StartsWith("Cannot read the contacts from " + common::ToUtf8(source.url) + ": " + GetParam().what),
                    HasSubstr(GetParam().library)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CardDavFailureTest,
    ::testing::Values(
        FailureCase{"WrongPassword",
                    [](CardDavSource& s, const RadicaleServer& server) {
                      s.password_file = PasswordFile(server.scratch(), "wrong");
                    },
                    "the server refused the user \"ivanov\" or its password.", "HTTP 401"},
        FailureCase{"NoAddressBook",
                    [](CardDavSource& s, const RadicaleServer& server) {
                      s.url = common::FromUtf8(server.Url("ivanov/missing/"));
                    },
                    "there is no address book at this address.", "HTTP 404"},
        FailureCase{"UntrustedCertificate",
                    [](CardDavSource& s, const RadicaleServer& server) {
                      s.ca_file = platform::FsPathToText(server.other_ca_file());
                    },
                    "the server's certificate is not trusted", "(60)"},
        FailureCase{"UnreachableServer",
                    [](CardDavSource& s, const RadicaleServer&) {
                      s.url = common::FromUtf8("https://127.0.0.1:" + std::to_string(testing_support::FreePort()) + "/");
                    },
                    "no connection to the server", "Couldn't connect to server (7)"},
        FailureCase{"SilentServer", [](CardDavSource&, const RadicaleServer&) {},
                    "the server did not answer within 2 seconds.", "Timeout was reached (28)"},
        FailureCase{"PasswordOverPlainHttp",
                    [](CardDavSource& s, const RadicaleServer&) { s.url = u"http://127.0.0.1:1/"; },
                    "the password would cross the network readable over http://", ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

}  // namespace
}  // namespace directory
