#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

// A throw-away directory server for the tests and benchmarks that read the address list over LDAP:
// Debian's slapd from a temporary folder of its own on 127.0.0.1, shaped as Active Directory is
// where the reader depends on it. Nothing outside the folder is touched.
//
// - The suffix dc=romashka,dc=example with the configuration naming context
//   CN=Configuration,dc=romashka,dc=example, whose CN=Microsoft Exchange,CN=Services names the
//   global address lists (kGalDn and kOtherListDn); the RootDSE names both contexts as AD's does.
// - A schema with the Active Directory attributes the address list needs, under their AD OIDs, the
//   class contact and the auxiliary class exchangeRecipient that carries them on inetOrgPerson.
// - TLS with a certificate for 127.0.0.1 signed by a CA made for the server (ca_file()); a second,
//   unrelated CA (other_ca_file()) trusts nothing the server shows.
// - The limits of AD: kReader and its password kReaderPassword search with at most 1,000 entries
//   without paging and any number with paging; kCappedReader also stops paged searches at 1,000.
//   Anonymous searches are refused.
namespace testing_support {

inline constexpr const char* kSuffix = "dc=romashka,dc=example";
inline constexpr const char* kGalDn =
    "CN=Default Global Address List,CN=All Global Address Lists,CN=Address Lists Container,"
    "CN=Romashka,CN=Microsoft Exchange,CN=Services,CN=Configuration,dc=romashka,dc=example";
inline constexpr const char* kOtherListDn =
    "CN=All Contacts (Romashka\\2C Moscow),CN=All Address Lists,CN=Address Lists Container,"
    "CN=Romashka,CN=Microsoft Exchange,CN=Services,CN=Configuration,dc=romashka,dc=example";
inline constexpr const char* kReader = "cn=reader,ou=Service,dc=romashka,dc=example";
inline constexpr const char* kCappedReader = "cn=capped,ou=Service,dc=romashka,dc=example";
inline constexpr const char* kReaderPassword = "romashka-2024";

class SlapdServer {
 public:
  // What this machine lacks ("slapd is not installed (package slapd)", ...), or the empty text.
  static std::string Missing();

  // Makes the certificates, loads the tree (the service accounts and configuration entries) and
  // `entries` (LDIF records under kSuffix, separated by blank lines) with slapadd, and starts slapd
  // with `global_config` (slapd.conf lines, e.g. for SASL) among its global settings,
  // waiting until it takes connections. Throws std::runtime_error naming the step that failed, with
  // its output; whatever was started is stopped first. slapd gets SIGTERM should this process die.
  explicit SlapdServer(const std::string& entries, const std::string& global_config = {});
  // Stops slapd and removes the folder.
  ~SlapdServer();
  SlapdServer(const SlapdServer&) = delete;
  SlapdServer& operator=(const SlapdServer&) = delete;

  // "ldap://127.0.0.1:<port>" (StartTLS offered) and "ldaps://127.0.0.1:<port>".
  std::string LdapUri() const;
  std::string LdapsUri() const;
  const std::filesystem::path& ca_file() const { return ca_file_; }
  const std::filesystem::path& other_ca_file() const { return other_ca_file_; }
  // A folder for the test's own files, removed with the server's.
  std::filesystem::path scratch() const { return root_ / "scratch"; }

 private:
  void Stop();

  std::filesystem::path root_;
  std::filesystem::path ca_file_;
  std::filesystem::path other_ca_file_;
  int ldap_port_ = 0;
  int ldaps_port_ = 0;
  pid_t slapd_ = -1;
};

}  // namespace testing_support
