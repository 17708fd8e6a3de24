// The address list reader's LDAP calls through OpenLDAP's libldap.
#include <ldap.h>
#include <signal.h>

#include <memory>
#include <string>

#include "directory/ldap_client.h"

namespace directory::ldap {
namespace {

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
using Controls = std::unique_ptr<LDAPControl*, ControlsFree>;

Failure FailureOf(int code) {
  switch (code) {
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
      return Failure::kConnection;
    case LDAP_TIMEOUT:
      return Failure::kTimeout;
    case LDAP_INVALID_CREDENTIALS:
      return Failure::kInvalidCredentials;
    case LDAP_INVALID_DN_SYNTAX:
      return Failure::kInvalidDnSyntax;
    case LDAP_STRONG_AUTH_REQUIRED:
      return Failure::kStrongAuthRequired;
    case LDAP_SIZELIMIT_EXCEEDED:
      return Failure::kSizeLimit;
    default:
      return Failure::kOther;
  }
}

// libldap writes to its sockets with write(): a server that has closed the connection, or one of a
// list that refused it, would end the program with SIGPIPE rather than give an error. The signal is
// ignored while a client lives, as libcurl does around its calls.
class SigpipeIgnored {
 public:
  SigpipeIgnored() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    restore_ = ::sigaction(SIGPIPE, &ignore, &old_) == 0;
  }
  ~SigpipeIgnored() {
    if (restore_) ::sigaction(SIGPIPE, &old_, nullptr);
  }
  SigpipeIgnored(const SigpipeIgnored&) = delete;
  SigpipeIgnored& operator=(const SigpipeIgnored&) = delete;

 private:
  struct sigaction old_ {};
  bool restore_ = false;
};

class OpenLdapClient : public Client {
 public:
  bool TakesCaFile() const override { return true; }

  void Connect(const Address& server, const ConnectOptions& options) override {
    timeout_ = {options.timeout_seconds, 0};
    LDAP* ld = nullptr;
    int code = ldap_initialize(&ld, server.uri.c_str());
    if (code != LDAP_SUCCESS || ld == nullptr) Throw(code);
    ld_.reset(ld);
    const int version = LDAP_VERSION3;
    SetOption(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    // Followed referrals bind anonymously, which Active Directory refuses; the list lies in the
    // domain searched.
    SetOption(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    SetTimeouts(ld, timeout_);
    // A blocking connect lets the TLS handshake with a server that never answers spin without end;
    // an asynchronous one keeps the handshake within the timeout.
    SetOption(ld, LDAP_OPT_CONNECT_ASYNC, LDAP_OPT_ON);
    const int demand = LDAP_OPT_X_TLS_DEMAND;
    SetOption(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
    if (!options.ca_file.empty()) SetOption(ld, LDAP_OPT_X_TLS_CACERTFILE, options.ca_file.c_str());
    const int new_context_as_server = 0;
    SetOption(ld, LDAP_OPT_X_TLS_NEWCTX, &new_context_as_server);
    tls_ = server.ldaps || options.start_tls;
    if (options.start_tls) Check(ldap_start_tls_s(ld, nullptr, nullptr));
  }

  void SimpleBind(const std::string& user, const std::string& password) override {
    berval credentials{static_cast<ber_len_t>(password.size()), const_cast<char*>(password.data())};
    Check(ldap_sasl_bind_s(ld_.get(), user.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr, nullptr));
  }

  void KerberosBind() override {
    LDAP* ld = ld_.get();
    // The name is used as given: canonicalising it through reverse DNS names a principal the realm
    // may not have.
    SetOption(ld, LDAP_OPT_X_SASL_NOCANON, LDAP_OPT_ON);
    // Kerberos protection inside TLS is refused by Active Directory.
    if (tls_) SetOption(ld, LDAP_OPT_X_SASL_SECPROPS, "maxssf=0");
    Check(ldap_sasl_interactive_bind_s(ld, nullptr, "GSSAPI", nullptr, nullptr, LDAP_SASL_QUIET,
                                       &OpenLdapClient::NoInteraction, nullptr));
  }

  Page Search(const std::string& base, bool subtree, const std::string& filter,
              const std::vector<const char*>& attributes, int page_size, const std::string& cookie) override {
    LDAP* ld = ld_.get();
    std::unique_ptr<LDAPControl, ControlFree> page_control;
    if (page_size > 0) {
      berval cookie_value{static_cast<ber_len_t>(cookie.size()), const_cast<char*>(cookie.data())};
      LDAPControl* control = nullptr;
      Check(ldap_create_page_control(ld, page_size, cookie.empty() ? nullptr : &cookie_value, 1, &control));
      page_control.reset(control);
    }
    LDAPControl* controls[] = {page_control.get(), nullptr};
    std::vector<const char*> names = attributes;
    names.push_back(nullptr);
    LDAPMessage* result = nullptr;
    int code = ldap_search_ext_s(ld, base.c_str(), subtree ? LDAP_SCOPE_SUBTREE : LDAP_SCOPE_BASE, filter.c_str(),
                                 const_cast<char**>(names.data()), 0, page_control ? controls : nullptr, nullptr,
                                 &timeout_, LDAP_NO_LIMIT, &result);
    Message owned(result);
    if (owned == nullptr) Throw(code);
    Page page;
    bool ended = false;
    for (LDAPMessage* m = ldap_first_message(ld, result); m; m = ldap_next_message(ld, m)) {
      switch (ldap_msgtype(m)) {
        case LDAP_RES_SEARCH_ENTRY:
          page.entries.push_back(EntryOf(m, attributes));
          break;
        case LDAP_RES_SEARCH_RESULT:
          ended = true;
          page.cookie = CheckResult(m);
          break;
        default:  // search references: the parts of the tree held elsewhere are not the list's
          break;
      }
    }
    if (!ended) throw Error{Failure::kOther, "the server's answer to the search ended early"};
    return page;
  }

  bool Reachable(const Address& server, int timeout_seconds) override {
    std::string host = server.host.find(':') != std::string::npos ? "[" + server.host + "]" : server.host;
    std::string plain = "ldap://" + host + ":" + std::to_string(server.port);
    LDAP* probe = nullptr;
    if (ldap_initialize(&probe, plain.c_str()) != LDAP_SUCCESS) return false;
    Handle owned(probe);
    try {
      SetTimeouts(probe, {timeout_seconds, 0});
    } catch (const Error&) {
      return false;
    }
    return ldap_connect(probe) == LDAP_SUCCESS;
  }

 private:
  static int NoInteraction(LDAP*, unsigned, void*, void*) { return LDAP_SUCCESS; }

  // libldap's text for `code` and the server's diagnostic message, when there is one.
  [[noreturn]] void Throw(int code) const {
    LdapText own;
    char* message = nullptr;
    if (ld_ && ldap_get_option(ld_.get(), LDAP_OPT_DIAGNOSTIC_MESSAGE, &message) == LDAP_OPT_SUCCESS) {
      own.reset(message);
    }
    std::string diagnostic = message ? message : "";
    // libldap leaves "(unknown error code)" behind when a connection fails before any answer.
    if (diagnostic == "(unknown error code)") diagnostic.clear();
    throw Error{FailureOf(code), LibraryText(ldap_err2string(code), code, diagnostic)};
  }

  void Check(int code) const {
    if (code != LDAP_SUCCESS) Throw(code);
  }

  void SetOption(LDAP* ld, int option, const void* value) const {
    int code = ldap_set_option(ld, option, value);
    if (code != LDAP_OPT_SUCCESS) throw Error{Failure::kOther, LibraryText(ldap_err2string(code), code, "")};
  }

  void SetTimeouts(LDAP* ld, const timeval& timeout) const {
    SetOption(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
    SetOption(ld, LDAP_OPT_TIMEOUT, &timeout);
  }

  Entry EntryOf(LDAPMessage* message, const std::vector<const char*>& attributes) const {
    Entry entry;
    LdapText dn(ldap_get_dn(ld_.get(), message));
    if (dn) entry.dn = dn.get();
    for (const char* attribute : attributes) {
      Values values(ldap_get_values_len(ld_.get(), message, attribute));
      std::vector<std::string>& texts = entry.values.emplace_back();
      for (berval** v = values.get(); v && *v; ++v) texts.emplace_back((*v)->bv_val, (*v)->bv_len);
    }
    return entry;
  }

  // The cookie of the next page, after the server's result code is checked.
  std::string CheckResult(LDAPMessage* result) const {
    int code = LDAP_SUCCESS;
    LDAPControl** controls = nullptr;
    // Parsing also leaves the server's diagnostic message on the handle, for Throw.
    Check(ldap_parse_result(ld_.get(), result, &code, nullptr, nullptr, nullptr, &controls, 0));
    Controls owned(controls);
    Check(code);
    LDAPControl* paged = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls, nullptr);
    if (paged == nullptr) return {};
    ber_int_t estimate = 0;
    berval next{0, nullptr};
    Check(ldap_parse_pageresponse_control(ld_.get(), paged, &estimate, &next));
    std::string cookie;
    if (next.bv_val != nullptr) {
      cookie.assign(next.bv_val, next.bv_len);
      ber_memfree(next.bv_val);
    }
    return cookie;
  }

  SigpipeIgnored sigpipe_;  // first made, last gone
  Handle ld_;
  timeval timeout_{30, 0};
  bool tls_ = false;
};

}  // namespace

std::unique_ptr<Client> NewClient() { return std::make_unique<OpenLdapClient>(); }

}  // namespace directory::ldap
