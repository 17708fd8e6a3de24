#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

// A throw-away Kerberos realm for the tests of Kerberos binds: Debian's krb5kdc from a temporary
// folder of its own on a random port of 127.0.0.1, the realm kRealm with the user kKerberosUser
// (password kKerberosPassword) holding a ticket, and the service principal ldap/localhost whose key
// is in keytab(). The constructor points this process's Kerberos library at the realm (KRB5_CONFIG,
// KRB5CCNAME, KRB5_KTNAME, so that a slapd started afterwards finds its key); nothing outside the
// folder is touched.
namespace testing_support {

inline constexpr const char* kRealm = "ROMASHKA.TEST";
inline constexpr const char* kKerberosUser = "reader";
inline constexpr const char* kKerberosPassword = "Kerberos-2024";

class KerberosRealm {
 public:
  // What this machine lacks ("krb5kdc is not installed (package krb5-kdc)", ...), or the empty text.
  static std::string Missing();

  // Creates the realm, starts the KDC and gets the user's ticket (kinit). Throws std::runtime_error
  // naming the step that failed; the KDC gets SIGTERM should this process die.
  KerberosRealm();
  ~KerberosRealm();
  KerberosRealm(const KerberosRealm&) = delete;
  KerberosRealm& operator=(const KerberosRealm&) = delete;

  std::filesystem::path keytab() const { return root_ / "ldap.keytab"; }

 private:
  std::filesystem::path root_;
  pid_t kdc_ = -1;
};

}  // namespace testing_support
