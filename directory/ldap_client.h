#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The few LDAP calls the address list reader makes, behind one interface with two implementations:
// OpenLDAP's libldap (ldap_openldap.cpp) and Windows' Wldap32 (ldap_wldap32.cpp); CMake compiles the
// one of the platform. Everything else (the addresses, the filter, the bind rules, the entries and the
// failure texts) is the reader's own (ldap_gal.cpp). Internal to directory/.
namespace directory::ldap {

// One directory server of the address list: "ldaps://host[:port]" or "ldap://host[:port]".
struct Address {
  std::string uri;  // as given
  bool ldaps = false;
  std::string host;  // an IPv6 address without its brackets
  int port = 0;      // as given, else 636 for ldaps://, 389 for ldap://
};

// The blank-separated list of servers; nullopt when the list is empty or one of them is not an
// ldap:// or ldaps:// address with a host (a path "/" after it is allowed, nothing else).
std::optional<std::vector<Address>> ParseAddresses(std::string_view list);

// `value` as a filter takes it (RFC 4515): "*", "(", ")", "\" and NUL as "\2a", "\28", "\29", "\5c", "\00".
std::string EscapeFilterValue(std::string_view value);

// "<the library's text for code> (<code>)", and ": <diagnostic>" when the server or library gave one.
std::string LibraryText(std::string_view message, long code, std::string_view diagnostic);

// What went wrong in a library call, as the reader words it.
enum class Failure {
  kConnection,          // no answer: the server is down, the connection broke or TLS failed
  kTimeout,             // the library's own clock ran out
  kInvalidCredentials,  // the name or the password
  kInvalidDnSyntax,     // a bind name of a form the server does not take
  kStrongAuthRequired,  // the server wants a protected connection
  kSizeLimit,           // the search stopped at the server's size limit
  kOther,
};

// Thrown by a Client: the kind of failure and the library's text (LibraryText).
struct Error {
  Failure failure;
  std::string library;
};

struct ConnectOptions {
  int timeout_seconds = 30;  // the connect, the TLS handshake and each request
  bool start_tls = false;
  std::string ca_file;  // empty: the system's authorities; only where Client::TakesCaFile()
};

// One entry of a search: its DN and the values of each attribute asked for, in the order asked.
struct Entry {
  std::string dn;
  std::vector<std::vector<std::string>> values;
};

// One page of a search (the whole search when it is not paged); search references are left out.
struct Page {
  std::vector<Entry> entries;
  std::string cookie;  // empty: the last page
};

// One connection; each call throws Error.
class Client {
 public:
  virtual ~Client() = default;

  // Whether a CA file can be given; where not, the system's certificate store decides.
  virtual bool TakesCaFile() const = 0;
  // Connects to `server` (StartTLS on it when asked), with protocol version 3 and referrals not
  // followed.
  virtual void Connect(const Address& server, const ConnectOptions& options) = 0;
  // A simple bind with the name as given.
  virtual void SimpleBind(const std::string& user, const std::string& password) = 0;
  // Kerberos with the user's ticket (the logged-on user's on Windows), the host name as given.
  virtual void KerberosBind() = 0;
  // A search of the base entry alone or of the subtree; `page_size` 0: without the paged-results
  // control, else one page of that size after `cookie`. Answers other than success throw.
  virtual Page Search(const std::string& base, bool subtree, const std::string& filter,
                      const std::vector<const char*>& attributes, int page_size, const std::string& cookie) = 0;
  // Whether a plain connection to the server's host and port succeeds within the timeout.
  virtual bool Reachable(const Address& server, int timeout_seconds) = 0;
};

std::unique_ptr<Client> NewClient();

}  // namespace directory::ldap
