// The address list reader's LDAP calls through Windows' own LDAP client, Wldap32, in its UTF-16
// flavour. The server's certificate is checked against the system's certificate store; Kerberos is
// Negotiate with the logged-on user's ticket.
// clang-format off
#include <windows.h>
#include <winldap.h>
#include <winber.h>
// clang-format on

#include <memory>
#include <string>

#include "common/text.h"
#include "directory/ldap_client.h"

namespace directory::ldap {
namespace {

struct LdapCloser {
  void operator()(LDAP* ld) const { ldap_unbind(ld); }
};
struct MessageFree {
  void operator()(LDAPMessage* message) const { ldap_msgfree(message); }
};
struct ValuesFree {
  void operator()(berval** values) const { ldap_value_free_len(values); }
};
struct ControlFree {
  void operator()(LDAPControlW* control) const { ldap_control_freeW(control); }
};
struct ControlsFree {
  void operator()(LDAPControlW** controls) const { ldap_controls_freeW(controls); }
};
struct TextFree {
  void operator()(wchar_t* text) const { ldap_memfreeW(text); }
};
struct BervalFree {
  void operator()(berval* value) const { ber_bvfree(value); }
};
using Handle = std::unique_ptr<LDAP, LdapCloser>;
using Message = std::unique_ptr<LDAPMessage, MessageFree>;
using Values = std::unique_ptr<berval*, ValuesFree>;
using LdapText = std::unique_ptr<wchar_t, TextFree>;
using Controls = std::unique_ptr<LDAPControlW*, ControlsFree>;

std::wstring Wide(const std::string& utf8) {
  common::Text text = common::FromUtf8(utf8);
  return std::wstring(text.begin(), text.end());
}

std::string Utf8(const wchar_t* wide) {
  if (wide == nullptr) return {};
  return common::ToUtf8(common::TextView(reinterpret_cast<const char16_t*>(wide)));
}

Failure FailureOf(ULONG code) {
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

class Wldap32Client : public Client {
 public:
  // Wldap32 trusts what the system's certificate store trusts and takes no file of authorities.
  bool TakesCaFile() const override { return false; }

  void Connect(const Address& server, const ConnectOptions& options) override {
    timeout_ = {options.timeout_seconds, 0};
    Open(server);
    tls_ = ldaps_ || options.start_tls;
    if (options.start_tls) {
      ULONG server_code = 0;
      LDAPMessage* result = nullptr;
      ULONG code = ldap_start_tls_sW(ld_.get(), &server_code, &result, nullptr, nullptr);
      Message owned(result);
      if (code != LDAP_SUCCESS) Throw(code == LDAP_OTHER && server_code != 0 ? server_code : code);
    }
  }

  void SimpleBind(const std::string& user, const std::string& password) override {
    std::wstring name = Wide(user);
    std::wstring secret = Wide(password);
    // The asynchronous bind, so that the timeout bounds the wait for its answer.
    ULONG id = ldap_simple_bindW(ld_.get(), name.data(), secret.data());
    if (id == static_cast<ULONG>(-1)) Throw(LdapGetLastError());
    LDAPMessage* result = nullptr;
    ULONG got = ldap_result(ld_.get(), id, LDAP_MSG_ALL, &timeout_, &result);
    Message owned(result);
    if (got == 0) {
      ldap_abandon(ld_.get(), id);
      Throw(LDAP_TIMEOUT);
    }
    if (got == static_cast<ULONG>(-1)) Throw(LdapGetLastError());
    Check(ldap_result2error(ld_.get(), result, 0));
  }

  void KerberosBind() override {
    LDAP* ld = ld_.get();
    // Negotiate signs and seals the connection itself where TLS does not protect it already.
    if (!tls_) {
      SetOption(ld, LDAP_OPT_SIGN, LDAP_OPT_ON);
      SetOption(ld, LDAP_OPT_ENCRYPT, LDAP_OPT_ON);
    }
    Check(ldap_bind_sW(ld, nullptr, nullptr, LDAP_AUTH_NEGOTIATE));
  }

  Page Search(const std::string& base, bool subtree, const std::string& filter,
              const std::vector<const char*>& attributes, int page_size, const std::string& cookie) override {
    LDAP* ld = ld_.get();
    std::unique_ptr<LDAPControlW, ControlFree> page_control;
    if (page_size > 0) {
      berval cookie_value{static_cast<ULONG>(cookie.size()), const_cast<char*>(cookie.data())};
      LDAPControlW* control = nullptr;
      Check(ldap_create_page_controlW(ld, page_size, cookie.empty() ? nullptr : &cookie_value, 1, &control));
      page_control.reset(control);
    }
    LDAPControlW* controls[] = {page_control.get(), nullptr};
    std::vector<std::wstring> wide_names;
    for (const char* attribute : attributes) wide_names.push_back(Wide(attribute));
    std::vector<wchar_t*> names;
    for (std::wstring& name : wide_names) names.push_back(name.data());
    names.push_back(nullptr);
    std::wstring wide_base = Wide(base);
    std::wstring wide_filter = Wide(filter);
    LDAPMessage* result = nullptr;
    ULONG code = ldap_search_ext_sW(ld, wide_base.data(), subtree ? LDAP_SCOPE_SUBTREE : LDAP_SCOPE_BASE,
                                    wide_filter.data(), names.data(), 0, page_control ? controls : nullptr, nullptr,
                                    &timeout_, LDAP_NO_LIMIT, &result);
    Message owned(result);
    if (code != LDAP_SUCCESS || result == nullptr) Throw(code != LDAP_SUCCESS ? code : LdapGetLastError());
    Page page;
    // Search references are not entries: ldap_first_entry passes over them.
    for (LDAPMessage* m = ldap_first_entry(ld, result); m; m = ldap_next_entry(ld, m)) {
      page.entries.push_back(EntryOf(m, attributes));
    }
    if (page_size > 0) page.cookie = NextCookie(result);
    return page;
  }

  bool Reachable(const Address& server, int timeout_seconds) override {
    std::wstring host = Wide(server.host);
    Handle probe(ldap_initW(host.data(), server.port));
    if (probe == nullptr) return false;
    l_timeval timeout{timeout_seconds, 0};
    return ldap_connect(probe.get(), &timeout) == LDAP_SUCCESS;
  }

 private:
  void Open(const Address& server) {
    ld_.reset();
    std::wstring host = Wide(server.host);
    ld_.reset(ldap_sslinitW(host.data(), server.port, server.ldaps ? 1 : 0));
    if (ld_ == nullptr) Throw(LdapGetLastError());
    LDAP* ld = ld_.get();
    ldaps_ = server.ldaps;
    const ULONG version = LDAP_VERSION3;
    SetOption(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
    // Followed referrals bind anew elsewhere; the list lies in the domain searched.
    SetOption(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
    // The host name is used as given, not looked up as a domain's name (DNS SRV records). Windows
    // has this since XP; Wine's Wldap32 lacks it and resolves the name as given anyway.
    ldap_set_optionW(ld, LDAP_OPT_AREC_EXCLUSIVE, LDAP_OPT_ON);
    // The connect (with an ldaps:// handshake) is bounded by ldap_connect, each simple bind and
    // search by its own wait; the send timeout also bounds StartTLS and the Kerberos bind on Windows
    // (Vista and later). Wine's Wldap32 lacks it.
    ldap_set_optionW(ld, LDAP_OPT_SEND_TIMEOUT, &timeout_);
    Check(ldap_connect(ld, &timeout_));
  }

  // Wldap32's text for `code` and the server's diagnostic message, when there is one.
  [[noreturn]] void Throw(ULONG code) const {
    std::string diagnostic;
    wchar_t* message = nullptr;
    if (ld_ && ldap_get_optionW(ld_.get(), LDAP_OPT_SERVER_ERROR, &message) == LDAP_SUCCESS && message) {
      LdapText owned(message);
      diagnostic = Utf8(message);
    }
    throw Error{FailureOf(code), LibraryText(Utf8(ldap_err2stringW(code)), static_cast<long>(code), diagnostic)};
  }

  void Check(ULONG code) const {
    if (code != LDAP_SUCCESS) Throw(code);
  }

  void SetOption(LDAP* ld, int option, const void* value) const {
    ULONG code = ldap_set_optionW(ld, option, value);
    if (code != LDAP_SUCCESS) {
      throw Error{Failure::kOther, LibraryText(Utf8(ldap_err2stringW(code)), static_cast<long>(code), "")};
    }
  }

  Entry EntryOf(LDAPMessage* message, const std::vector<const char*>& attributes) const {
    Entry entry;
    LdapText dn(ldap_get_dnW(ld_.get(), message));
    entry.dn = Utf8(dn.get());
    for (const char* attribute : attributes) {
      std::wstring name = Wide(attribute);
      Values values(ldap_get_values_lenW(ld_.get(), message, name.data()));
      std::vector<std::string>& texts = entry.values.emplace_back();
      for (berval** v = values.get(); v && *v; ++v) texts.emplace_back((*v)->bv_val, (*v)->bv_len);
    }
    return entry;
  }

  // The cookie of the next page from the result's paged-results control; none: the last page.
  std::string NextCookie(LDAPMessage* result) const {
    ULONG code = LDAP_SUCCESS;
    LDAPControlW** controls = nullptr;
    Check(ldap_parse_resultW(ld_.get(), result, &code, nullptr, nullptr, nullptr, &controls, FALSE));
    Controls owned(controls);
    Check(code);
    if (controls == nullptr) return {};
    ULONG estimate = 0;
    berval* next = nullptr;
    ULONG parsed = ldap_parse_page_controlW(ld_.get(), controls, &estimate, &next);
    std::unique_ptr<berval, BervalFree> owned_next(next);
    if (parsed == LDAP_CONTROL_NOT_FOUND) return {};
    Check(parsed);
    return next && next->bv_val ? std::string(next->bv_val, next->bv_len) : std::string();
  }

  Handle ld_;
  l_timeval timeout_{30, 0};
  bool ldaps_ = false;
  bool tls_ = false;
};

}  // namespace

std::unique_ptr<Client> NewClient() { return std::make_unique<Wldap32Client>(); }

}  // namespace directory::ldap
