#include "directory/ldap_gal.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "common/error.h"
#include "tests/directory/live_source.h"
#include "tests/directory/printers.h"
#include "tests/support/free_port.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <stdlib.h>

#include "tests/support/daemon.h"
#include "tests/support/kerberos_realm.h"
#include "tests/support/slapd_server.h"
#endif

namespace directory {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string Expected(const LdapSource& source, const std::string& what) {
  return "Cannot read the address list from " + common::ToUtf8(source.uri) + ": " + what;
}

// What fails before any server answers, on every system: the settings refused before a connection is
// made, and a port of 127.0.0.1 where nothing listens.
struct OfflineCase {
  std::string name;
  std::function<void(LdapSource&, const std::filesystem::path& folder)> change;
  std::string what;     // the reader's own words, after "Cannot read the address list from <uri>: "
  std::string library;  // the library's text or the rest of the message
};

#ifdef _WIN32
// Wine's Wldap32 opens no connection in ldap_connect (it connects at the first request), so there
// the reader cannot tell an unreachable server from a refused handshake.
bool ConnectsOnlyAtTheFirstRequest() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
#else
bool ConnectsOnlyAtTheFirstRequest() { return false; }
#endif

class LdapGalOfflineTest : public ::testing::TestWithParam<OfflineCase> {
 protected:
  testing_support::TempFolder folder_;
};

TEST_P(LdapGalOfflineTest, FailsWithinTheTimeoutNamingTheDirectoryAndWhatToCheck) {
  if (GetParam().name == "UnreachableServer" && ConnectsOnlyAtTheFirstRequest()) {
    GTEST_SKIP() << "Wine's Wldap32 makes no connection in ldap_connect, so an unreachable server cannot be told apart";
  }
  LdapSource source;
  source.uri = common::FromUtf8("ldaps://127.0.0.1:" + std::to_string(testing_support::FreePort()));
  source.user = u"svc-inventory@romashka.example";
  source.password_file = PasswordFile(folder_.path(), "secret");
  source.timeout_seconds = 5;
  GetParam().change(source, folder_.path());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THAT(ErrorOf([&] { ReadGalLdap(testing_support::SystemFiles(), source); }),
              AllOf(StartsWith(Expected(source, GetParam().what)), HasSubstr(GetParam().library)));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(source.timeout_seconds));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LdapGalOfflineTest,
    ::testing::Values(
        OfflineCase{"UnreachableServer", [](LdapSource&, const std::filesystem::path&) {},
                    "no connection to the server; check the host name and port",
#ifdef _WIN32
                    "(81)"},  // LDAP_SERVER_DOWN of Wldap32
#else
                    "Can't contact LDAP server (-1)"},
#endif
        OfflineCase{
            "PlainLdapWithoutTls",
            [](LdapSource& s, const std::filesystem::path&) { s.uri = u"ldap" + s.uri.substr(s.uri.find(u':')); },
            "a simple bind over ldap:// without TLS sends the password readable", ""},
        OfflineCase{
            "EmptyPassword",
            [](LdapSource& s, const std::filesystem::path& folder) { s.password_file = PasswordFile(folder, ""); },
            "the password file \"", "is empty; the server would take an empty password as an anonymous bind"},
        OfflineCase{"NotAnLdapAddress", [](LdapSource& s, const std::filesystem::path&) { s.uri = u"https://dc1/"; },
                    "this is not an LDAP address", ""},
        OfflineCase{"StartTlsOnLdaps", [](LdapSource& s, const std::filesystem::path&) { s.start_tls = true; },
                    "StartTLS is for ldap:// addresses", ""}
#ifdef _WIN32
        ,
        OfflineCase{"CaFileWhereTheSystemStoreDecides",
                    [](LdapSource& s, const std::filesystem::path&) { s.ca_file = u"C:\\corp-ca.pem"; },
                    "a CA file is not used here: the system's certificate store decides", ""}
#endif
        ),
    [](const ::testing::TestParamInfo<OfflineCase>& info) { return info.param.name; });

#ifndef _WIN32
using testing_support::kGalDn;
using testing_support::kOtherListDn;
using testing_support::SlapdServer;

constexpr int kListEntries = 2100;  // more than two pages and past the 1,000 of a search without paging
const std::string kUsers = std::string("ou=Users,") + testing_support::kSuffix;

std::string Contact(const std::string& cn, const std::string& attributes) {
  return "dn: cn=" + cn + "," + kUsers + "\nobjectClass: contact\ncn: " + cn + "\nsn: " + cn + "\n" + attributes + "\n";
}

std::string Number(int i) { return std::to_string(i); }

// The directory of the tests: kListEntries members of the default list (Cyrillic names; the address
// in each of the forms a directory holds), hidden members, members of the other list only, and
// objects in no list; and what the list holds, stated entry by entry.
struct Directory {
  std::string ldif = "dn: " + kUsers + "\nobjectClass: organizationalUnit\nou: Users\n\n";
  std::vector<GalEntry> gal;
  std::vector<GalEntry> other_list;

  Directory() {
    const std::string in_gal = std::string("showInAddressBook: ") + kGalDn + "\n";
    const std::string in_other = std::string("showInAddressBook: ") + kOtherListDn + "\n";
    const std::string legacy = "/o=Romashka/ou=Exchange Administrative Group (FYDIBOHF23SPDLT)/cn=Recipients/cn=user";
    for (int i = 0; i < kListEntries; ++i) {
      const std::string n = Number(i);
      const std::string name = "Иванов Пётр Ёжиков " + n;
      std::string attributes = (i == 7 ? "" : "displayName: " + name + "\n") + in_gal;
      std::string address;
      switch (i % 4) {
        case 0:
          attributes += "legacyExchangeDN: " + legacy + n + "\n";
          address = legacy + n;
          break;
        case 1:  // a mail contact: the target address wins over mail
          attributes += "targetAddress: SMTP:user" + n + "@partner.example\nmail: other" + n + "@romashka.example\n";
          address = "user" + n + "@partner.example";
          break;
        case 2:
          attributes += "mail: user" + n + "@romashka.example\n";
          break;
        case 3:  // in both lists; the directory address wins over the others
          attributes += in_other + "legacyExchangeDN: " + legacy + n + "\ntargetAddress: SMTP:x" + n +
                        "@partner.example\nmail: y" + n + "@romashka.example\n";
          address = legacy + n;
          break;
      }
      if (i % 4 == 2) address = "user" + n + "@romashka.example";
      ldif += Contact("member-" + n, attributes);
      gal.push_back({i == 7 ? common::Text() : common::FromUtf8(name), common::FromUtf8(address)});
      if (i % 4 == 3) other_list.push_back(gal.back());
    }
    for (int i = 0; i < 5; ++i) {
      const std::string n = Number(i);
      ldif += Contact("hidden-" + n, "displayName: Скрытый " + n + "\n" + in_gal + in_other +
                                         "msExchHideFromAddressLists: TRUE\nmail: hidden" + n + "@romashka.example\n");
      ldif += Contact("other-" + n, "displayName: Другой " + n + "\n" + in_other + "mail: other" + n + "@x.example\n");
      other_list.push_back({common::FromUtf8("Другой " + n), common::FromUtf8("other" + n + "@x.example")});
      ldif += Contact("nowhere-" + n, "displayName: Нигде " + n + "\nmail: nowhere" + n + "@romashka.example\n");
    }
  }
};

const Directory& TheDirectory() {
  static const Directory directory;
  return directory;
}

std::vector<GalEntry> Sorted(std::vector<GalEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const GalEntry& a, const GalEntry& b) {
    return std::tie(a.address, a.name) < std::tie(b.address, b.name);
  });
  return entries;
}

class LdapGalTest : public ServerSuite<SlapdServer, LdapGalTest> {
 public:
  static std::unique_ptr<SlapdServer> Start() { return std::make_unique<SlapdServer>(TheDirectory().ldif); }

 protected:
  // The reader's account over ldaps:// against the server's CA, the list found by the directory.
  LdapSource Source(const std::string& password = testing_support::kReaderPassword) const {
    LdapSource source;
    source.uri = common::FromUtf8(server_->LdapsUri());
    source.user = common::FromUtf8(testing_support::kReader);
    source.password_file = PasswordFile(server_->scratch(), password);
    source.ca_file = platform::FsPathToText(server_->ca_file());
    // Room for a loaded machine and a sanitizer build; the silent server's case shortens it.
    source.timeout_seconds = 10;
    return source;
  }
};

TEST_F(LdapGalTest, ReadsEveryEntryOfTheDefaultListOnceOverLdapsAndStartTlsAfterAServerDown) {
  LdapSource ldaps = Source();
  ldaps.uri =
      common::FromUtf8("ldaps://127.0.0.1:" + std::to_string(testing_support::FreePort()) + " " + server_->LdapsUri());
  EXPECT_EQ(Sorted(ReadGalLdap(testing_support::SystemFiles(), ldaps)), Sorted(TheDirectory().gal));

  // The first server of the list takes no connections: the next one is tried.
  LdapSource start_tls = Source();
  start_tls.uri =
      common::FromUtf8("ldap://127.0.0.1:" + std::to_string(testing_support::FreePort()) + " " + server_->LdapUri());
  start_tls.start_tls = true;
  start_tls.base = common::FromUtf8(kUsers);
  start_tls.address_list = common::FromUtf8(kGalDn);
  EXPECT_EQ(Sorted(ReadGalLdap(testing_support::SystemFiles(), start_tls)), Sorted(TheDirectory().gal));
}

TEST_F(LdapGalTest, ReadsAListGivenByItsDnWithCharactersAFilterMustEscape) {
  LdapSource source = Source();
  source.address_list = common::FromUtf8(kOtherListDn);
  EXPECT_EQ(Sorted(ReadGalLdap(testing_support::SystemFiles(), source)), Sorted(TheDirectory().other_list));
}

// A domain-joined desktop's bind: the user's Kerberos ticket, inside StartTLS, the host name as given.
TEST(LdapGalKerberosTest, BindsWithTheUsersTicketInsideStartTls) {
  for (const std::string& missing : {SlapdServer::Missing(), testing_support::KerberosRealm::Missing()}) {
    if (!missing.empty()) GTEST_SKIP() << missing;
  }
  testing_support::KerberosRealm realm;
  // The ticket's name maps to the reader's entry, as Active Directory maps it to the user's object.
  SlapdServer server(TheDirectory().ldif,
                     std::string("sasl-host localhost\nsasl-realm ") + testing_support::kRealm +
                         "\nauthz-regexp \"uid=([^,]*),cn=[^,]*,cn=gssapi,cn=auth\" \"cn=$1,ou=Service," +
                         testing_support::kSuffix + "\"\n");
  LdapSource source;
  std::string uri = server.LdapUri();
  source.uri = common::FromUtf8("ldap://localhost" + uri.substr(uri.rfind(':')));
  source.start_tls = true;
  source.ca_file = platform::FsPathToText(server.ca_file());
  source.bind = LdapBind::kGssapi;
  source.timeout_seconds = 5;
  EXPECT_EQ(Sorted(ReadGalLdap(testing_support::SystemFiles(), source)), Sorted(TheDirectory().gal));
}

struct FailureCase {
  std::string name;
  std::function<void(LdapSource&, const SlapdServer&)> change;
  std::string what;     // the reader's own words, after "Cannot read the address list from <uri>: "
  std::string library;  // libldap's text that follows them
};

class LdapGalFailureTest : public LdapGalTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(LdapGalFailureTest, FailsWithAMessageNamingTheDirectoryAndWhatToCheck) {
  LdapSource source = Source();
  std::unique_ptr<testing_support::SilentServer> silent;
  if (GetParam().name == "SilentServer") {
    silent = std::make_unique<testing_support::SilentServer>();
    source.uri = common::FromUtf8("ldaps://127.0.0.1:" + std::to_string(silent->port()));
    source.timeout_seconds = 2;
  }
  GetParam().change(source, *server_);
  EXPECT_THAT(ErrorOf([&] { ReadGalLdap(testing_support::SystemFiles(), source); }),
              AllOf(StartsWith(Expected(source, GetParam().what)), HasSubstr(GetParam().library)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LdapGalFailureTest,
    ::testing::Values(
        FailureCase{
            "WrongPassword",
            [](LdapSource& s, const SlapdServer& server) { s.password_file = PasswordFile(server.scratch(), "wrong"); },
            std::string("the server refused the user \"") + testing_support::kReader + "\" or its password.",
            "Invalid credentials (49)"},
        FailureCase{"UntrustedCertificate",
                    [](LdapSource& s, const SlapdServer& server) {
                      s.ca_file = platform::FsPathToText(server.other_ca_file());
                    },
                    "the secure connection failed: the server's certificate is not trusted", "(-1)"},
        FailureCase{"StartTlsUntrusted",
                    [](LdapSource& s, const SlapdServer& server) {
                      s.uri = common::FromUtf8(server.LdapUri());
                      s.start_tls = true;
                      s.ca_file = platform::FsPathToText(server.other_ca_file());
                    },
                    "the secure connection failed: the server's certificate is not trusted", "Connect error (-11)"},
        FailureCase{"SilentServer", [](LdapSource&, const SlapdServer&) {},
                    "the server took the connection but did not answer within 2 seconds", "(-"},
        FailureCase{
            "SizeLimitOfPagedSearches",
            [](LdapSource& s, const SlapdServer&) { s.user = common::FromUtf8(testing_support::kCappedReader); },
            "the server stopped the search at its size limit, so the list would be incomplete.",
            "Size limit exceeded (4)"},
        // No Kerberos ticket: the test's environment names a credential cache that does not exist.
        FailureCase{"KerberosWithoutTicket",
                    [](LdapSource& s, const SlapdServer& server) {
                      s.bind = LdapBind::kGssapi;
                      ::setenv("KRB5CCNAME", ("FILE:" + (server.scratch() / "no-ticket").string()).c_str(), 1);
                      ::setenv("KRB5_CONFIG", "/dev/null", 1);
                    },
                    "the Kerberos bind failed; log on to the domain or run kinit for a ticket", "Local error (-2)"},
        FailureCase{"ListWithoutEntries",
                    [](LdapSource& s, const SlapdServer&) { s.address_list = u"CN=Empty List,CN=Romashka"; },
                    "the address list \"CN=Empty List,CN=Romashka\" has no entries under \"dc=romashka,dc=example\"",
                    ""}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });
#endif

}  // namespace
}  // namespace directory
