#include "directory/ldap_gal.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>

#include "common/error.h"
#include "directory/directory_file.h"
#include "directory/ldap_client.h"

namespace directory {
namespace ldap {

std::optional<std::vector<Address>> ParseAddresses(std::string_view list) {
  std::vector<Address> servers;
  std::istringstream uris{std::string(list)};
  for (std::string uri; uris >> uri;) {
    Address server;
    server.uri = uri;
    std::string_view rest = uri;
    if (StartsWithIgnoreCase(rest, "ldaps://")) {
      server.ldaps = true;
      rest.remove_prefix(8);
    } else if (StartsWithIgnoreCase(rest, "ldap://")) {
      rest.remove_prefix(7);
    } else {
      return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
      size_t close = rest.find(']');
      if (close == std::string_view::npos) return std::nullopt;
      server.host = rest.substr(1, close - 1);
      rest.remove_prefix(close + 1);
      if (!rest.empty() && rest.front() != ':') return std::nullopt;
      if (!rest.empty()) port = rest.substr(1);
    } else {
      size_t colon = rest.find(':');
      server.host = rest.substr(0, colon);
      if (colon != std::string_view::npos) port = rest.substr(colon + 1);
    }
    if (server.host.empty() || server.host.find_first_of("/?#@") != std::string::npos) return std::nullopt;
    if (port.empty()) {
      server.port = server.ldaps ? 636 : 389;
    } else {
      if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
      server.port = std::stoi(std::string(port));
      if (server.port < 1 || server.port > 65535) return std::nullopt;
    }
    servers.push_back(std::move(server));
  }
  if (servers.empty()) return std::nullopt;
  return servers;
}

std::string EscapeFilterValue(std::string_view value) {
  std::string escaped;
  for (char c : value) {
    if (c == '*' || c == '(' || c == ')' || c == '\\' || c == '\0') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "\\%02x", static_cast<unsigned char>(c));
      escaped += hex;
    } else {
      escaped += c;
    }
  }
  return escaped;
}

std::string LibraryText(std::string_view message, long code, std::string_view diagnostic) {
  std::string text = std::string(message) + " (" + std::to_string(code) + ")";
  if (!diagnostic.empty()) text += ": " + std::string(diagnostic);
  return text;
}

}  // namespace ldap

namespace {

constexpr int kPageSize = 500;
constexpr const char* kDefaultListName = "Default Global Address List";

using ldap::Failure;

class Reader {
 public:
  Reader(platform::FileSystem& files, const LdapSource& source)
      : files_(files), source_(source), uri_(common::ToUtf8(source.uri)), client_(ldap::NewClient()) {}

  std::vector<GalEntry> Read() {
    std::optional<std::vector<ldap::Address>> servers = ldap::ParseAddresses(uri_);
    if (!servers) Fail("this is not an LDAP address (ldaps://host, or ldap://host with StartTLS)");
    servers_ = std::move(*servers);
    ldaps_ = true;
    for (const ldap::Address& server : servers_) ldaps_ = ldaps_ && server.ldaps;
    if (source_.start_tls && ldaps_) {
      Fail("StartTLS is for ldap:// addresses; an ldaps:// address is encrypted already");
    }
    if (!source_.ca_file.empty() && !client_->TakesCaFile()) {
      Fail(
          "a CA file is not used here: the system's certificate store decides which authorities are trusted; "
          "add the authority that signed the server's certificate to the trusted root certificates and give "
          "no CA file");
    }
    // What the settings alone refuse is refused before any connection is made.
    std::string password;
    if (source_.bind == LdapBind::kSimple) {
      if (!ldaps_ && !source_.start_tls && !source_.insecure) {
        Fail(
            "a simple bind over ldap:// without TLS sends the password readable to anyone on the network; use "
            "ldaps:// or StartTLS, or Kerberos, or allow it explicitly as insecure");
      }
      if (source_.user.empty()) Fail("a simple bind needs a user name (a DN, user@domain or DOMAIN\\user)");
      password = ReadPassword();
    }
    Connect();
    Bind(password);
    std::string base = common::ToUtf8(source_.base);
    std::string list = common::ToUtf8(source_.address_list);
    if (base.empty() || list.empty()) {
      RootDse root = ReadRootDse();
      if (base.empty()) base = root.default_context;
      if (list.empty()) list = FindAddressList(root.configuration_context);
    }
    if (base.empty()) Fail("the server names no default naming context; give the base DN of the search");
    std::vector<GalEntry> entries = Search(base, list);
    if (entries.empty()) {
      Fail("the address list \"" + list + "\" has no entries under \"" + base +
           "\"; check the base DN and the address list's DN");
    }
    return entries;
  }

 private:
  struct RootDse {
    std::string default_context;
    std::string configuration_context;
  };
  using Clock = std::chrono::steady_clock;

  [[noreturn]] void Fail(const std::string& what, const std::string& library = {}) const {
    std::string message = "Cannot read the address list from " + uri_ + ": " + what + ".";
    if (!library.empty()) message += " " + library;
    throw common::Error(common::FromUtf8(message));
  }

  std::string ReadPassword() const {
    if (source_.password_file.empty()) Fail("a simple bind needs a password file");
    std::string password;
    try {
      password = ReadPasswordFile(files_, source_.password_file);
    } catch (const common::Error& error) {
      Fail("the password file cannot be read", error.what());
    }
    if (password.empty()) {
      Fail("the password file \"" + common::ToUtf8(source_.password_file) +
           "\" is empty; the server would take an empty password as an anonymous bind");
    }
    return password;
  }

  // Runs one library call; its failure becomes the message for `what` (Failed).
  template <typename Call>
  auto Request(const std::string& what, Call call) {
    started_ = Clock::now();
    try {
      return call();
    } catch (const ldap::Error& error) {
      Failed(error, what);
    }
  }

  void Connect() {
    ldap::ConnectOptions options;
    options.timeout_seconds = source_.timeout_seconds;
    options.start_tls = source_.start_tls;
    options.ca_file = common::ToUtf8(source_.ca_file);
    // The servers are tried in turn: the first that takes a connection is used, and the last when
    // none does, so that its failure is the one reported.
    const ldap::Address* server = &servers_.back();
    for (const ldap::Address& candidate : servers_) {
      if (&candidate == server || client_->Reachable(candidate, source_.timeout_seconds)) {
        server = &candidate;
        break;
      }
    }
    Request(source_.start_tls ? "the server refused StartTLS (it may offer ldaps:// instead)"
                              : "the connection to the server failed",
            [&] { client_->Connect(*server, options); });
  }

  void Bind(const std::string& password) {
    if (source_.bind == LdapBind::kGssapi) {
      Request(
          "the Kerberos bind failed; log on to the domain or run kinit for a ticket, and give the server's name as "
          "its principal has it (ldap/<name>)",
          [&] { client_->KerberosBind(); });
      return;
    }
    const std::string user = common::ToUtf8(source_.user);
    started_ = Clock::now();
    try {
      client_->SimpleBind(user, password);
    } catch (const ldap::Error& error) {
      switch (error.failure) {
        case Failure::kInvalidCredentials:
          Fail("the server refused the user \"" + user + "\" or its password", error.library);
        case Failure::kInvalidDnSyntax:
          Fail("the server takes no user name of the form \"" + user + "\"; give its DN", error.library);
        case Failure::kStrongAuthRequired:
          Fail("the server demands a protected connection; use ldaps:// or StartTLS, or Kerberos", error.library);
        default:
          Failed(error, "the bind as \"" + user + "\" failed");
      }
    }
  }

  // Says whether the server could not be reached at all, took the connection and kept silent, or
  // broke off the TLS handshake: the libraries report all three alike.
  [[noreturn]] void Failed(const ldap::Error& error, const std::string& what) const {
    if (error.failure == Failure::kSizeLimit) {
      Fail("the server stopped the search at its size limit, so the list would be incomplete", error.library);
    }
    if (error.failure != Failure::kConnection && error.failure != Failure::kTimeout) Fail(what, error.library);
    // A refused certificate fails at once; a silent server uses up the timeout (the library's own
    // clock may end it a little early).
    const bool timed_out = error.failure == Failure::kTimeout ||
                           Clock::now() - started_ >= std::chrono::milliseconds(source_.timeout_seconds * 900);
    if (!Reachable()) {
      Fail(
          "no connection to the server; check the host name and port, that the server runs and that no "
          "firewall is in the way",
          error.library);
    }
    if (timed_out) {
      Fail("the server took the connection but did not answer within " + std::to_string(source_.timeout_seconds) +
               " seconds; check that the address names a directory server's LDAP port (389, or 636 for ldaps://)",
           error.library);
    }
    if (ldaps_ || source_.start_tls) {
      Fail(std::string("the secure connection failed: the server's certificate is not trusted or does not name the "
                       "host as the address gives it; ") +
               (client_->TakesCaFile() ? "check the CA file (the authority that signed the server's certificate)"
                                       : "check that the system's trusted root certificates hold the authority "
                                         "that signed the server's certificate"),
           error.library);
    }
    Fail("the server closed the connection", error.library);
  }

  bool Reachable() const {
    for (const ldap::Address& server : servers_) {
      if (client_->Reachable(server, source_.timeout_seconds)) return true;
    }
    return false;
  }

  std::optional<std::string> FirstValue(const ldap::Entry& entry, size_t attribute, const char* name) const {
    if (entry.values[attribute].empty()) return std::nullopt;
    const std::string& text = entry.values[attribute].front();
    common::Text ignored;
    if (!common::DecodeUtf8Strict(text, ignored)) {
      Fail(std::string("the value of ") + name + " of \"" + entry.dn + "\" is not UTF-8");
    }
    return text;
  }

  RootDse ReadRootDse() {
    const std::vector<const char*> attributes = {"defaultNamingContext", "configurationNamingContext"};
    ldap::Page page = Request("the server's root entry (RootDSE) cannot be read",
                              [&] { return client_->Search("", false, "(objectClass=*)", attributes, 0, {}); });
    RootDse root;
    for (const ldap::Entry& entry : page.entries) {
      root.default_context = FirstValue(entry, 0, attributes[0]).value_or("");
      root.configuration_context = FirstValue(entry, 1, attributes[1]).value_or("");
    }
    return root;
  }

  // The default global address list: the one of the lists Exchange names whose first component is
  // "CN=Default Global Address List", or the only one.
  std::string FindAddressList(const std::string& configuration) {
    if (configuration.empty()) {
      Fail(
          "the server names no configuration naming context to find the address list in; give the address "
          "list's DN");
    }
    const std::string exchange = "CN=Microsoft Exchange,CN=Services," + configuration;
    ldap::Page page =
        Request("the address lists cannot be read from \"" + exchange + "\"; give the address list's DN",
                [&] { return client_->Search(exchange, false, "(objectClass=*)", {"globalAddressList"}, 0, {}); });
    std::vector<std::string> lists;
    for (const ldap::Entry& entry : page.entries)
      lists.insert(lists.end(), entry.values[0].begin(), entry.values[0].end());
    for (const std::string& list : lists) {
      std::string first = list.substr(0, list.find(','));
      if (common::EqualsIgnoreAsciiCase(first, std::string("CN=") + kDefaultListName)) return list;
    }
    if (lists.size() == 1) return lists.front();
    Fail(lists.empty() ? "\"" + exchange + "\" names no global address list; give the address list's DN"
                       : "\"" + exchange + "\" names several global address lists; give the address list's DN");
  }

  std::vector<GalEntry> Search(const std::string& base, const std::string& list) {
    const std::vector<const char*> attributes = {"displayName", "legacyExchangeDN", "targetAddress", "mail"};
    const std::string filter =
        "(&(showInAddressBook=" + ldap::EscapeFilterValue(list) + ")(!(msExchHideFromAddressLists=TRUE)))";
    const std::string what = "the search for the address list \"" + list + "\" under \"" + base + "\" failed";
    std::vector<GalEntry> entries;
    std::string cookie;
    do {
      ldap::Page page =
          Request(what, [&] { return client_->Search(base, true, filter, attributes, kPageSize, cookie); });
      for (const ldap::Entry& entry : page.entries) {
        std::optional<std::string> values[4];
        for (size_t i = 0; i < 4; ++i) values[i] = FirstValue(entry, i, attributes[i]);
        auto pointer = [](const std::optional<std::string>& value) { return value ? &*value : nullptr; };
        entries.push_back(
            MakeGalEntry(pointer(values[0]), pointer(values[1]), pointer(values[2]), pointer(values[3]), "UTF-8"));
      }
      cookie = std::move(page.cookie);
    } while (!cookie.empty());
    return entries;
  }

  platform::FileSystem& files_;
  const LdapSource& source_;
  const std::string uri_;
  std::unique_ptr<ldap::Client> client_;
  std::vector<ldap::Address> servers_;
  bool ldaps_ = false;
  Clock::time_point started_ = Clock::now();
};

}  // namespace

std::vector<GalEntry> ReadGalLdap(platform::FileSystem& files, const LdapSource& source) {
  return Reader(files, source).Read();
}

}  // namespace directory
