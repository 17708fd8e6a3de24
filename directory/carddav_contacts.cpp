#include "directory/carddav_contacts.h"

#include <curl/curl.h>
#include <expat.h>

#include <memory>
#include <string>

#include "common/error.h"
#include "directory/directory_file.h"

namespace directory {
namespace {

// Names arrive as "<namespace URI> <local name>".
constexpr char kSeparator = ' ';
constexpr std::string_view kResponse = "DAV: response";
constexpr std::string_view kHref = "DAV: href";
constexpr std::string_view kPropstat = "DAV: propstat";
constexpr std::string_view kStatus = "DAV: status";
constexpr std::string_view kAddressData = "urn:ietf:params:xml:ns:carddav address-data";

constexpr const char* kQuery =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<C:addressbook-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">\n"
    "  <D:prop><D:getetag/><C:address-data/></D:prop>\n"
    "  <C:filter/>\n"
    "</C:addressbook-query>\n";

struct CurlFree {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct ListFree {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// One card of the reply: where it lies and its text, or the status the server gave instead.
struct Card {
  std::string href;
  std::string data;
  bool has_data = false;
  std::string withheld;  // the status line of a propstat that carries no card
};

// The 207 Multi-Status body, read with expat. A card counts when its propstat's status is 200.
class MultiStatus {
 public:
  explicit MultiStatus(XML_Parser parser) {
    XML_SetUserData(parser, this);
    XML_SetElementHandler(parser, &MultiStatus::Start, &MultiStatus::End);
    XML_SetCharacterDataHandler(parser, &MultiStatus::Text);
  }

  std::vector<Card> cards;

 private:
  static void Start(void* self, const XML_Char* name, const XML_Char**) {
    auto* me = static_cast<MultiStatus*>(self);
    std::string_view element(name);
    me->text_.clear();
    if (element == kResponse) {
      me->cards.emplace_back();
      me->in_response_ = true;
    } else if (element == kPropstat) {
      me->in_propstat_ = true;
      me->propstat_data_.clear();
      me->propstat_has_data_ = false;
      me->propstat_status_.clear();
    }
    me->collect_ = me->in_response_ && (element == kHref || element == kStatus || element == kAddressData);
  }

  static void End(void* self, const XML_Char* name) {
    auto* me = static_cast<MultiStatus*>(self);
    std::string_view element(name);
    if (!me->in_response_) return;
    Card& card = me->cards.back();
    if (element == kHref) {
      card.href = me->text_;
    } else if (element == kAddressData) {
      me->propstat_data_ = me->text_;
      me->propstat_has_data_ = true;
    } else if (element == kStatus && me->in_propstat_) {
      me->propstat_status_ = me->text_;
    } else if (element == kStatus) {
      // A status for the whole response: the card at href is not given.
      if (me->text_.find(" 200 ") == std::string::npos) card.withheld = me->text_;
    } else if (element == kPropstat) {
      me->in_propstat_ = false;
      if (me->propstat_status_.find(" 200 ") != std::string::npos) {
        if (me->propstat_has_data_) {
          card.data = me->propstat_data_;
          card.has_data = true;
        }
      } else if (me->propstat_has_data_) {
        card.withheld = me->propstat_status_;
      }
    } else if (element == kResponse) {
      me->in_response_ = false;
    }
    me->collect_ = false;
    me->text_.clear();
  }

  static void Text(void* self, const XML_Char* text, int length) {
    auto* me = static_cast<MultiStatus*>(self);
    if (me->collect_) me->text_.append(text, static_cast<size_t>(length));
  }

  bool in_response_ = false;
  bool in_propstat_ = false;
  bool collect_ = false;
  std::string text_;
  std::string propstat_data_;
  bool propstat_has_data_ = false;
  std::string propstat_status_;
};

class Reader {
 public:
  Reader(platform::FileSystem& files, const CardDavSource& source)
      : files_(files), source_(source), url_(common::ToUtf8(source.url)) {}

  std::vector<ContactCard> Read(std::string_view codepage) {
    std::string body = Request();
    std::vector<ContactCard> contacts;
    for (const Card& card : Parse(body)) {
      if (!card.withheld.empty()) Fail("the server withheld the card \"" + card.href + "\" (" + card.withheld + ")");
      if (!card.has_data) continue;  // the collection itself, or an entry without a card
      try {
        for (ContactCard& contact : ReadContacts(card.data, common::FromUtf8(card.href), codepage)) {
          contacts.push_back(std::move(contact));
        }
      } catch (const common::Error& error) {
        Fail("a card cannot be read", error.what());
      }
    }
    return contacts;
  }

 private:
  [[noreturn]] void Fail(const std::string& what, const std::string& library = {}) const {
    std::string message = "Cannot read the contacts from " + url_ + ": " + what + ".";
    if (!library.empty()) message += " " + library;
    throw common::Error(common::FromUtf8(message));
  }

  std::string Password() const {
    if (source_.password_file.empty()) Fail("a password file is needed");
    std::string password;
    try {
      password = ReadPasswordFile(files_, source_.password_file);
    } catch (const common::Error& error) {
      Fail("the password file cannot be read", error.what());
    }
    if (password.empty()) Fail("the password file \"" + common::ToUtf8(source_.password_file) + "\" is empty");
    return password;
  }

  static size_t Append(char* data, size_t size, size_t count, void* self) {
    auto* me = static_cast<Reader*>(self);
    // A reply larger than any address book is refused rather than held.
    if (me->body_.size() + size * count > kMaxDirectoryFileSize) return 0;
    me->body_.append(data, size * count);
    return size * count;
  }

  template <typename T>
  void Set(CURL* curl, CURLoption option, T value) const {
    CURLcode code = curl_easy_setopt(curl, option, value);
    if (code != CURLE_OK) Fail("the HTTP library refused a setting", curl_easy_strerror(code));
  }

  std::string Request() {
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (initialised != CURLE_OK) Fail("the HTTP library cannot start", curl_easy_strerror(initialised));
    const bool https = url_.starts_with("https://");
    if (!https && !url_.starts_with("http://")) Fail("this is not an http:// or https:// address");
    if (!https && !source_.insecure) {
      Fail(
          "the password would cross the network readable over http://; use https://, or allow it explicitly as "
          "insecure");
    }
    const std::string user = common::ToUtf8(source_.user);
    if (user.empty()) Fail("a user name is needed");
    const std::string password = Password();
    std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
    if (!curl) Fail("the HTTP library cannot start");
    CURL* c = curl.get();
    char error[CURL_ERROR_SIZE] = "";
    std::unique_ptr<curl_slist, ListFree> headers(
        curl_slist_append(curl_slist_append(nullptr, "Depth: 1"), "Content-Type: application/xml; charset=utf-8"));
    const std::string ca = common::ToUtf8(source_.ca_file);
    Set(c, CURLOPT_ERRORBUFFER, error);
    Set(c, CURLOPT_URL, url_.c_str());
    Set(c, CURLOPT_PROTOCOLS_STR, "http,https");
    Set(c, CURLOPT_FOLLOWLOCATION, 0L);
    Set(c, CURLOPT_NOSIGNAL, 1L);
    Set(c, CURLOPT_CUSTOMREQUEST, "REPORT");
    Set(c, CURLOPT_HTTPHEADER, headers.get());
    Set(c, CURLOPT_POSTFIELDS, kQuery);
    Set(c, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    Set(c, CURLOPT_USERNAME, user.c_str());
    Set(c, CURLOPT_PASSWORD, password.c_str());
    Set(c, CURLOPT_CONNECTTIMEOUT, static_cast<long>(source_.timeout_seconds));
    Set(c, CURLOPT_TIMEOUT, static_cast<long>(source_.timeout_seconds));
    if (!ca.empty()) Set(c, CURLOPT_CAINFO, ca.c_str());
    Set(c, CURLOPT_WRITEFUNCTION, &Reader::Append);
    Set(c, CURLOPT_WRITEDATA, this);
    CURLcode code = curl_easy_perform(c);
    std::string library = std::string(curl_easy_strerror(code)) + " (" + std::to_string(code) + ")";
    if (*error != '\0') library += ": " + std::string(error);
    switch (code) {
      case CURLE_OK:
        break;
      case CURLE_COULDNT_RESOLVE_HOST:
        Fail("the server's name is not known; check the address", library);
      case CURLE_COULDNT_CONNECT:
        Fail(
            "no connection to the server; check the host name and port, that the server runs and that no firewall "
            "is in the way",
            library);
      case CURLE_OPERATION_TIMEDOUT:
        Fail("the server did not answer within " + std::to_string(source_.timeout_seconds) + " seconds", library);
      case CURLE_PEER_FAILED_VERIFICATION:
      case CURLE_SSL_CACERT_BADFILE:
        Fail(
            "the server's certificate is not trusted or does not name the host as the address gives it; check the "
            "CA file (the authority that signed the server's certificate)",
            library);
      case CURLE_WRITE_ERROR:
        Fail("the reply is larger than " + std::to_string(kMaxDirectoryFileSize) + " bytes", library);
      default:
        Fail("the request failed", library);
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    const std::string http = "HTTP " + std::to_string(status);
    if (status == 401 || status == 403) Fail("the server refused the user \"" + user + "\" or its password", http);
    if (status == 404) Fail("there is no address book at this address", http);
    if (status >= 300 && status < 400) Fail("the server sends the request elsewhere; give the address it names", http);
    if (status != 207) Fail("the server does not answer as a CardDAV address book (207 Multi-Status)", http);
    return std::move(body_);
  }

  std::vector<Card> Parse(const std::string& body) const {
    std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(XML_ParserCreateNS(nullptr, kSeparator),
                                                                        &XML_ParserFree);
    if (!parser) Fail("out of memory");
    MultiStatus reply(parser.get());
    if (XML_Parse(parser.get(), body.data(), static_cast<int>(body.size()), XML_TRUE) != XML_STATUS_OK) {
      Fail("the reply is not well-formed XML", std::string(XML_ErrorString(XML_GetErrorCode(parser.get()))) +
                                                   " at line " +
                                                   std::to_string(XML_GetCurrentLineNumber(parser.get())));
    }
    return std::move(reply.cards);
  }

  platform::FileSystem& files_;
  const CardDavSource& source_;
  const std::string url_;
  std::string body_;
};

}  // namespace

std::vector<ContactCard> ReadContactsCardDav(platform::FileSystem& files, const CardDavSource& source,
                                             std::string_view codepage) {
  return Reader(files, source).Read(codepage);
}

}  // namespace directory
