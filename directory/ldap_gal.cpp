#include "directory/ldap_gal.h"

#include <ldap.h>

#include <chrono>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "common/error.h"
#include "directory/directory_file.h"

namespace directory {
namespace {

constexpr int kPageSize = 500;
constexpr const char* kDefaultListName = "Default Global Address List";

struct LdapCloser {
  void operator()(LDAP* ld) const { ldap_unbind_ext_s(ld, nullptr, nullptr); }
};
struct MessageFree {
  void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
struct ValuesFree {
  void operator()(berval** values) const { ldap_value_free_len(values); }
};
struct ControlFree {
  void operator()(LDAPControl* control) const { ldap_control_free(control); }
};
struct ControlsFree {
  void operator()(LDAPControl** controls) const { ldap_controls_free(controls); }
};
struct MemFree {
  void operator()(void* memory) const { ldap_memfree(memory); }
};
using Handle = std::unique_ptr<LDAP, LdapCloser>;
using Message = std::unique_ptr<LDAPMessage, MessageFree>;
using Values = std::unique_ptr<berval*, ValuesFree>;
using LdapText = std::unique_ptr<char, MemFree>;

bool IsConnectionFailure(int code) {
  return code == LDAP_SERVER_DOWN || code == LDAP_TIMEOUT || code == LDAP_CONNECT_ERROR;
}

class Reader {
 public:
  Reader(platform::FileSystem& files, const LdapSource& source)
      : files_(files), source_(source), uri_(common::ToUtf8(source.uri)) {}

  std::vector<GalEntry> Read() {
    Connect();
    Bind();
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

  [[noreturn]] void Fail(const std::string& what, const std::string& library = {}) const {
    std::string message = "Cannot read the address list from " + uri_ + ": " + what + ".";
    if (!library.empty()) message += " " + library;
    throw common::Error(common::FromUtf8(message));
  }

  // libldap's text for `code` and the server's diagnostic message, when there is one.
  std::string LibraryText(int code, const char* diagnostic = nullptr) const {
    std::string text = std::string(ldap_err2string(code)) + " (" + std::to_string(code) + ")";
    LdapText own;
    if (diagnostic == nullptr && ld_) {
      char* message = nullptr;
      if (ldap_get_option(ld_.get(), LDAP_OPT_DIAGNOSTIC_MESSAGE, &message) == LDAP_OPT_SUCCESS) own.reset(message);
      diagnostic = message;
    }
    // libldap leaves "(unknown error code)" behind when a connection fails before any answer.
    if (diagnostic != nullptr && *diagnostic != '\0' && std::string_view(diagnostic) != "(unknown error code)") {
      text += ": " + std::string(diagnostic);
    }
    return text;
  }

  void SetOption(LDAP* ld, int option, const void* value) const {
    int code = ldap_set_option(ld, option, value);
    if (code != LDAP_OPT_SUCCESS) Fail("the LDAP library refused a connection setting", LibraryText(code));
  }

  void SetTimeouts(LDAP* ld) const {
    timeval timeout{source_.timeout_seconds, 0};
    SetOption(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    SetOption(ld, LDAP_OPT_TIMEOUT, &timeout);
  }

  void Connect() {
    LDAP* ld = nullptr;
    int code = ldap_initialize(&ld, uri_.c_str());
    if (code != LDAP_SUCCESS || ld == nullptr) {
      Fail("this is not an LDAP address (ldaps://host, or ldap://host with StartTLS)", LibraryText(code));
    }
    ld_.reset(ld);
    const int version = LDAP_VERSION3;
    SetOption(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    // Followed referrals bind anonymously, which Active Directory refuses; the list lies in the
    // domain searched.
    SetOption(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    SetTimeouts(ld);
    // A blocking connect lets the TLS handshake with a server that never answers spin without end;
    // an asynchronous one keeps the handshake within the timeout.
    SetOption(ld, LDAP_OPT_CONNECT_ASYNC, LDAP_OPT_ON);
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    SetOption(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
    if (!source_.ca_file.empty()) {
      std::string ca = common::ToUtf8(source_.ca_file);
      SetOption(ld, LDAP_OPT_X_TLS_CACERTFILE, ca.c_str());
    }
    const int new_context_as_server = 0;
    SetOption(ld, LDAP_OPT_X_TLS_NEWCTX, &new_context_as_server);
    if (source_.start_tls) {
      if (ldaps_) Fail("StartTLS is for ldap:// addresses; an ldaps:// address is encrypted already");
      started_ = Clock::now();
      code = ldap_start_tls_s(ld, nullptr, nullptr);
      if (code != LDAP_SUCCESS) FailRequest(code, "the server refused StartTLS (it may offer ldaps:// instead)");
    }
  }

  bool AllLdaps() const {
    std::istringstream uris(uri_);
    bool any = false;
    for (std::string one; uris >> one;) {
      if (!ldap_is_ldaps_url(one.c_str())) return false;
      any = true;
    }
    return any;
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

  static int NoInteraction(LDAP*, unsigned, void*, void*) { return LDAP_SUCCESS; }

  void Bind() {
    LDAP* ld = ld_.get();
    if (source_.bind == LdapBind::kGssapi) {
      // The name is used as given: canonicalising it through reverse DNS names a principal the
      // realm may not have.
      SetOption(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
      // Kerberos protection inside TLS is refused by Active Directory.
      if (ldaps_ || source_.start_tls) SetOption(ld, LDAP_OPT_X_SASL_SECPROPS, "maxssf=0");
      started_ = Clock::now();
      int code = ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                              &Reader::NoInteraction, nullptr);
      if (code != LDAP_SUCCESS) {
        FailRequest(code,
                    "the Kerberos bind failed; log on to the domain or run kinit for a ticket, and give the "
                    "server's name as its principal has it (ldap/<name>)");
      }
      return;
    }
    if (!ldaps_ && !source_.start_tls && !source_.insecure) {
      Fail(
          "a simple bind over ldap:// without TLS sends the password readable to anyone on the network; use "
          "ldaps:// or StartTLS, or Kerberos, or allow it explicitly as insecure");
    }
    if (source_.user.empty()) Fail("a simple bind needs a user name (a DN, user@domain or DOMAIN\\user)");
    std::string password = ReadPassword();
    std::string user = common::ToUtf8(source_.user);
    berval credentials{static_cast<ber_len_t>(password.size()), password.data()};
    started_ = Clock::now();
    int code = ldap_sasl_bind_s(ld, user.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr);
    if (code == LDAP_INVALID_CREDENTIALS) {
      FailRequest(code, "the server refused the user \"" + user + "\" or its password");
    }
    if (code == LDAP_INVALID_DN_SYNTAX) {
      FailRequest(code, "the server takes no user name of the form \"" + user + "\"; give its DN");
    }
    if (code == LDAP_STRONG_AUTH_REQUIRED) {
      FailRequest(code, "the server demands a protected connection; use ldaps:// or StartTLS, or Kerberos");
    }
    if (code != LDAP_SUCCESS) FailRequest(code, "the bind as \"" + user + "\" failed");
  }

  // Says whether the server could not be reached at all, took the connection and kept silent, or
  // broke off the TLS handshake: libldap reports all three alike.
  [[noreturn]] void FailRequest(int code, const std::string& what) const {
    if (!IsConnectionFailure(code)) Fail(what, LibraryText(code));
    // A refused certificate fails at once; a silent server uses up the timeout (libldap's own clock
    // may end it a little early).
    const bool timed_out =
        code == LDAP_TIMEOUT || Clock::now() - started_ >= std::chrono::milliseconds(source_.timeout_seconds * 900);
    const std::string library = LibraryText(code);
    if (!Reachable()) {
      Fail(
          "no connection to the server; check the host name and port, that the server runs and that no "
          "firewall is in the way",
          library);
    }
    if (timed_out) {
      Fail("the server took the connection but did not answer within " + std::to_string(source_.timeout_seconds) +
               " seconds; check that the address names a directory server's LDAP port (389, or 636 for ldaps://)",
           library);
    }
    if (ldaps_ || source_.start_tls) {
      Fail(
          "the secure connection failed: the server's certificate is not trusted or does not name the host as the "
          "address gives it; check the CA file (the authority that signed the server's certificate)",
          library);
    }
    Fail("the server closed the connection", library);
  }

  // Whether a plain TCP connection to any of the servers succeeds within the timeout.
  bool Reachable() const {
    std::istringstream uris(uri_);
    for (std::string one; uris >> one;) {
      LDAPURLDesc* parsed = nullptr;
      if (ldap_url_parse(one.c_str(), &parsed) != LDAP_URL_SUCCESS) continue;
      std::string host = parsed->lud_host ? parsed->lud_host : "";
      int port = parsed->lud_port != 0 ? parsed->lud_port : ldap_is_ldaps_url(one.c_str()) ? 636 : 389;
      ldap_free_urldesc(parsed);
      if (host.find(':') != std::string::npos) host = "[" + host + "]";
      std::string plain = "ldap://" + host + ":" + std::to_string(port);
      LDAP* probe = nullptr;
      if (ldap_initialize(&probe, plain.c_str()) != LDAP_SUCCESS) continue;
      Handle owned(probe);
      SetTimeouts(probe);
      if (ldap_connect(probe) == LDAP_SUCCESS) return true;
    }
    return false;
  }

  // One synchronous search; the server's result code, diagnostic and controls are checked by the
  // caller through Result.
  Message SearchPage(const std::string& base, int scope, const std::string& filter, const char* const* attributes,
                     LDAPControl** controls, const std::string& what) {
    timeval timeout{source_.timeout_seconds, 0};
    LDAPMessage* result = nullptr;
    started_ = Clock::now();
    int code = ldap_search_ext_s(ld_.get(), base.c_str(), scope, filter.c_str(), const_cast<char**>(attributes), 0,
                                 controls, nullptr, &timeout, LDAP_NO_LIMIT, &result);
    Message owned(result);
    if (owned == nullptr) FailRequest(code, what);
    return owned;
  }

  // The controls of a search's result message; fails with `what` unless the server reports success.
  LDAPControl** CheckResult(LDAPMessage* result, const std::string& what) {
    int code = LDAP_SUCCESS;
    LDAPControl** controls = nullptr;
    // Parsing also leaves the server's diagnostic message on the handle, for LibraryText.
    int parsed = ldap_parse_result(ld_.get(), result, &code, nullptr, nullptr, nullptr, &controls, 0);
    if (parsed != LDAP_SUCCESS) FailRequest(parsed, what);
    if (code == LDAP_SUCCESS) return controls;
    ldap_controls_free(controls);
    if (code == LDAP_SIZELIMIT_EXCEEDED) {
      Fail("the server stopped the search at its size limit, so the list would be incomplete", LibraryText(code));
    }
    FailRequest(code, what);
  }

  std::optional<std::string> FirstValue(LDAPMessage* entry, const char* attribute) const {
    Values values(ldap_get_values_len(ld_.get(), entry, attribute));
    if (!values || values.get()[0] == nullptr) return std::nullopt;
    const berval* value = values.get()[0];
    std::string text(value->bv_val, value->bv_len);
    common::Text ignored;
    if (!common::DecodeUtf8Strict(text, ignored)) {
      LdapText dn(ldap_get_dn(ld_.get(), entry));
      Fail(std::string("the value of ") + attribute + " of \"" + (dn ? dn.get() : "") + "\" is not UTF-8");
    }
    return text;
  }

  RootDse ReadRootDse() {
    const char* attributes[] = {"defaultNamingContext", "configurationNamingContext", nullptr};
    const std::string what = "the server's root entry (RootDSE) cannot be read";
    Message result = SearchPage("", LDAP_SCOPE_BASE, "(objectClass=*)", attributes, nullptr, what);
    RootDse root;
    for (LDAPMessage* m = ldap_first_message(ld_.get(), result.get()); m; m = ldap_next_message(ld_.get(), m)) {
      if (ldap_msgtype(m) == LDAP_RES_SEARCH_ENTRY) {
        root.default_context = FirstValue(m, "defaultNamingContext").value_or("");
        root.configuration_context = FirstValue(m, "configurationNamingContext").value_or("");
      } else if (ldap_msgtype(m) == LDAP_RES_SEARCH_RESULT) {
        ldap_controls_free(CheckResult(m, what));
      }
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
    const char* attributes[] = {"globalAddressList", nullptr};
    const std::string what = "the address lists cannot be read from \"" + exchange + "\"; give the address list's DN";
    Message result = SearchPage(exchange, LDAP_SCOPE_BASE, "(objectClass=*)", attributes, nullptr, what);
    std::vector<std::string> lists;
    for (LDAPMessage* m = ldap_first_message(ld_.get(), result.get()); m; m = ldap_next_message(ld_.get(), m)) {
      if (ldap_msgtype(m) == LDAP_RES_SEARCH_RESULT) {
        ldap_controls_free(CheckResult(m, what));
      } else if (ldap_msgtype(m) == LDAP_RES_SEARCH_ENTRY) {
        Values values(ldap_get_values_len(ld_.get(), m, "globalAddressList"));
        for (berval** v = values.get(); v && *v; ++v) lists.emplace_back((*v)->bv_val, (*v)->bv_len);
      }
    }
    for (const std::string& list : lists) {
      std::string first = list.substr(0, list.find(','));
      if (common::EqualsIgnoreAsciiCase(first, std::string("CN=") + kDefaultListName)) return list;
    }
    if (lists.size() == 1) return lists.front();
    Fail(lists.empty() ? "\"" + exchange + "\" names no global address list; give the address list's DN"
                       : "\"" + exchange + "\" names several global address lists; give the address list's DN");
  }

  std::string Filter(const std::string& list) const {
    berval raw{static_cast<ber_len_t>(list.size()), const_cast<char*>(list.data())};
    berval escaped{0, nullptr};
    if (ldap_bv2escaped_filter_value(&raw, &escaped) != 0) Fail("out of memory");
    std::string value(escaped.bv_val, escaped.bv_len);
    ber_memfree(escaped.bv_val);
    return "(&(showInAddressBook=" + value + ")(!(msExchHideFromAddressLists=TRUE)))";
  }

  std::vector<GalEntry> Search(const std::string& base, const std::string& list) {
    const char* attributes[] = {"displayName", "legacyExchangeDN", "targetAddress", "mail", nullptr};
    const std::string filter = Filter(list);
    const std::string what = "the search for the address list \"" + list + "\" under \"" + base + "\" failed";
    std::vector<GalEntry> entries;
    std::string cookie;
    do {
      berval cookie_value{static_cast<ber_len_t>(cookie.size()), cookie.data()};
      LDAPControl* page = nullptr;
      int code = ldap_create_page_control(ld_.get(), kPageSize, cookie.empty() ? nullptr : &cookie_value, 1, &page);
      if (code != LDAP_SUCCESS) Fail("the paged search cannot be set up", LibraryText(code));
      std::unique_ptr<LDAPControl, ControlFree> owned_page(page);
      LDAPControl* controls[] = {page, nullptr};
      Message result = SearchPage(base, LDAP_SCOPE_SUBTREE, filter, attributes, controls, what);
      cookie.clear();
      bool ended = false;
      for (LDAPMessage* m = ldap_first_message(ld_.get(), result.get()); m; m = ldap_next_message(ld_.get(), m)) {
        switch (ldap_msgtype(m)) {
          case LDAP_RES_SEARCH_ENTRY: {
            auto name = FirstValue(m, "displayName");
            auto legacy = FirstValue(m, "legacyExchangeDN");
            auto target = FirstValue(m, "targetAddress");
            auto mail = FirstValue(m, "mail");
            entries.push_back(MakeGalEntry(name ? &*name : nullptr, legacy ? &*legacy : nullptr,
                                           target ? &*target : nullptr, mail ? &*mail : nullptr, "UTF-8"));
            break;
          }
          case LDAP_RES_SEARCH_RESULT: {
            std::unique_ptr<LDAPControl*, ControlsFree> response(CheckResult(m, what));
            ended = true;
            LDAPControl* paged = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, response.get(), nullptr);
            if (paged == nullptr) break;
            ber_int_t estimate = 0;
            berval next{0, nullptr};
            if (ldap_parse_pageresponse_control(ld_.get(), paged, &estimate, &next) != LDAP_SUCCESS) {
              Fail("the server's answer to the paged search cannot be read");
            }
            if (next.bv_val != nullptr) {
              cookie.assign(next.bv_val, next.bv_len);
              ber_memfree(next.bv_val);
            }
            break;
          }
          default:  // search references: the parts of the tree held elsewhere are not the list's
            break;
        }
      }
      if (!ended) Fail("the server's answer to the search ended early");
    } while (!cookie.empty());
    return entries;
  }

  using Clock = std::chrono::steady_clock;

  platform::FileSystem& files_;
  const LdapSource& source_;
  const std::string uri_;
  const bool ldaps_ = AllLdaps();
  Handle ld_;
  Clock::time_point started_ = Clock::now();
};

}  // namespace

std::vector<GalEntry> ReadGalLdap(platform::FileSystem& files, const LdapSource& source) {
  return Reader(files, source).Read();
}

}  // namespace directory
