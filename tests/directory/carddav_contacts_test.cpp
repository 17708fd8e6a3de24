#include "directory/carddav_contacts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tests/directory/live_source.h"
#include "tests/directory/printers.h"
#include "tests/support/daemon.h"
#include "tests/support/radicale_server.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

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
    return std::tie(a.last_name, a.first_name, a.business_phone) <
           std::tie(b.last_name, b.first_name, b.business_phone);
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
  EXPECT_EQ(Sorted(contacts),
            Sorted({ContactCard{u"Петров", u"Иван", u"+7 (495) 123-45-67, доб. 12"},
                    ContactCard{u"Тарасов", u"Глеб", u"+7-495-700-80-01"},
                    ContactCard{u"Ли;Чан", u"Мин,Хо", u"700-60-01"}, ContactCard{u"Соболева", u"Нина", u""}}));
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
    ::testing::Values(FailureCase{"WrongPassword",
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
                                    s.url = common::FromUtf8(
                                        "https://127.0.0.1:" + std::to_string(testing_support::FreePort()) + "/");
                                  },
                                  "no connection to the server", "Couldn't connect to server (7)"},
                      FailureCase{"SilentServer", [](CardDavSource&, const RadicaleServer&) {},
                                  "the server did not answer within 2 seconds.", "Timeout was reached (28)"},
                      FailureCase{"PasswordOverPlainHttp",
                                  [](CardDavSource& s, const RadicaleServer&) { s.url = u"http://127.0.0.1:1/"; },
                                  "the password would cross the network readable over http://", ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

// A server on 127.0.0.1 that answers one request with a reply given byte for byte.
class CannedServer {
 public:
  explicit CannedServer(std::string reply) : reply_(std::move(reply)) {
    thread_ = std::thread([this] {
      int client = ::accept(listener_.fd(), nullptr, nullptr);
      if (client < 0) return;
      std::string request;
      char buffer[4096];
      while (request.find("</C:addressbook-query>") == std::string::npos) {
        ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
      }
      (void)!::write(client, reply_.data(), reply_.size());
      ::close(client);
    });
  }
  ~CannedServer() { thread_.join(); }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(listener_.port()) + "/ivanov/contacts/"; }

 private:
  testing_support::SilentServer listener_;
  std::string reply_;
  std::thread thread_;
};

std::string Reply(const std::string& status, const std::string& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: application/xml\r\nContent-Length: " + std::to_string(body.size()) +
         "\r\nConnection: close\r\n\r\n" + body;
}

struct ReplyCase {
  std::string name;
  std::string reply;
  std::string what;  // after "Cannot read the contacts from <url>: "
};

class CardDavReplyTest : public ::testing::TestWithParam<ReplyCase> {};

// Whatever the server answers, the read gives every card or fails; nothing is dropped quietly.
TEST_P(CardDavReplyTest, AnIncompleteOrForeignReplyFailsTheRead) {
  CannedServer server(GetParam().reply);
  testing_support::TempFolder folder;
  CardDavSource source;
  source.url = common::FromUtf8(server.Url());
  source.user = u"ivanov";
  source.password_file = PasswordFile(folder.path(), "secret");
  source.insecure = true;
  source.timeout_seconds = 5;
  EXPECT_EQ(ErrorOf([&] { ReadContactsCardDav(testing_support::SystemFiles(), source, "windows-1251"); }),
            "Cannot read the contacts from " + server.Url() + ": " + GetParam().what);
}

constexpr const char* kCard = "BEGIN:VCARD\nVERSION:3.0\nN:Петров;Иван;;;\nTEL;TYPE=WORK:21-45\nEND:VCARD\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, CardDavReplyTest,
    ::testing::Values(
        ReplyCase{"CardWithheldByTheResponseStatus",
                  Reply("207 Multi-Status",
                        std::string("<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\" "
                                    "xmlns:C=\"urn:ietf:params:xml:ns:carddav\">"
                                    "<response><href>/ivanov/contacts/1.vcf</href><propstat><prop><C:address-data>") +
                            kCard +
                            "</C:address-data></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
                            "<response><href>/ivanov/contacts/2.vcf</href><status>HTTP/1.1 404 Not Found</status>"
                            "</response></multistatus>"),
                  "the server withheld the card \"/ivanov/contacts/2.vcf\" (HTTP/1.1 404 Not Found)."},
        ReplyCase{"CardDataWithheldByThePropstat",
                  Reply("207 Multi-Status",
                        "<?xml version=\"1.0\"?><D:multistatus xmlns:D=\"DAV:\" "
                        "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:response><D:href>/c/3.vcf</D:href>"
                        "<D:propstat><D:prop><C:address-data/></D:prop><D:status>HTTP/1.1 403 Forbidden</D:status>"
                        "</D:propstat></D:response></D:multistatus>"),
                  "the server withheld the card \"/c/3.vcf\" (HTTP/1.1 403 Forbidden)."},
        ReplyCase{"CutShort",
                  Reply("207 Multi-Status", "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\"><response>"),
                  "the reply is not well-formed XML. no element found at line 1"},
        ReplyCase{"NotCardDav", Reply("200 OK", "<html></html>"),
                  "the server does not answer as a CardDAV address book (207 Multi-Status). HTTP 200"},
        ReplyCase{"Redirect",
                  "HTTP/1.1 301 Moved Permanently\r\nLocation: http://elsewhere/\r\nContent-Length: 0\r\n\r\n",
                  "the server sends the request elsewhere; give the address it names. HTTP 301"}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return info.param.name; });

}  // namespace
}  // namespace directory
