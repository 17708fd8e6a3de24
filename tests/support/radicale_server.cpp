#include "tests/support/radicale_server.h"

#include <curl/curl.h>

#include <memory>
#include <stdexcept>

#include "tests/support/daemon.h"

namespace testing_support {
namespace {

constexpr const char* kMakeAddressBook =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<D:mkcol xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop>"
    "<D:resourcetype><D:collection/><C:addressbook/></D:resourcetype>"
    "</D:prop></D:set></D:mkcol>\n";

size_t Discard(char*, size_t size, size_t count, void*) { return size * count; }

}  // namespace

std::string RadicaleServer::Missing() {
  if (FindProgram("radicale").empty()) return "radicale is not installed (package radicale)";
  if (FindProgram("openssl").empty()) return "openssl is not installed (package openssl)";
  return {};
}

RadicaleServer::RadicaleServer() {
  std::string missing = Missing();
  if (!missing.empty()) throw std::runtime_error(missing);
  root_ = MakeServerFolder("inventory-radicale-");
  try {
    std::filesystem::create_directories(root_ / "collections");
    std::filesystem::create_directories(scratch());
    ca_file_ = root_ / "ca.pem";
    other_ca_file_ = root_ / "other-ca.pem";
    MakeTestCertificates(root_);
    const std::string r = root_.string();
    WriteText(root_ / "users", std::string(kDavUser) + ":" + kDavPassword + "\n", 0600);
    port_ = FreePort();
    WriteText(root_ / "config", "[server]\nhosts = 127.0.0.1:" + std::to_string(port_) +
                                    "\nssl = True\ncertificate = " + r + "/server.pem\nkey = " + r +
                                    "/server.key\n"
                                    "[auth]\ntype = htpasswd\nhtpasswd_filename = " +
                                    r +
                                    "/users\nhtpasswd_encryption = plain\n"
                                    "[rights]\ntype = owner_only\n"
                                    "[storage]\nfilesystem_folder = " +
                                    r +
                                    "/collections\n"
                                    "[web]\ntype = none\n"
                                    "[logging]\nlevel = warning\n");
    const std::filesystem::path log = root_ / "radicale.out";
    radicale_ = Spawn({FindProgram("radicale"), "--config", (root_ / "config").string()}, root_, log);
    if (!WaitForPorts(radicale_, {port_}, "radicale"))
      throw std::runtime_error("radicale ended at start: " + Tail(log));
  } catch (...) {
    Stop();
    throw;
  }
}

RadicaleServer::~RadicaleServer() { Stop(); }

void RadicaleServer::Stop() {
  Terminate(radicale_, true);
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string RadicaleServer::Url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

long RadicaleServer::Send(const std::string& method, const std::string& path, const std::string& body,
                          const std::string& content_type) const {
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  const std::string url = Url(path);
  const std::string ca = ca_file_.string();
  const std::string header = "Content-Type: " + content_type;
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(curl_slist_append(nullptr, header.c_str()),
                                                                      &curl_slist_free_all);
  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, url.c_str());
  curl_easy_setopt(c, CURLOPT_CUSTOMREQUEST, method.c_str());
  curl_easy_setopt(c, CURLOPT_POSTFIELDS, body.c_str());
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_USERNAME, kDavUser);
  curl_easy_setopt(c, CURLOPT_PASSWORD, kDavPassword);
  curl_easy_setopt(c, CURLOPT_CAINFO, ca.c_str());
  curl_easy_setopt(c, CURLOPT_TIMEOUT, 30L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &Discard);
  CURLcode code = curl_easy_perform(c);
  if (code != CURLE_OK) throw std::runtime_error(method + " " + url + ": " + curl_easy_strerror(code));
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  return status;
}

void RadicaleServer::MakeAddressBook(const std::string& path, const std::string& cards) const {
  if (long status = Send("MKCOL", path, kMakeAddressBook, "application/xml; charset=utf-8"); status != 201) {
    throw std::runtime_error("MKCOL " + path + " gives HTTP " + std::to_string(status));
  }
  const std::string end = "END:VCARD";
  int number = 0;
  for (size_t start = 0, stop; (stop = cards.find(end, start)) != std::string::npos; start = stop + end.size()) {
    std::string card = cards.substr(start, stop + end.size() - start);
    card.erase(0, card.find("BEGIN:VCARD"));
    const std::string name = path + std::to_string(++number) + ".vcf";
    if (long status = Send("PUT", name, card + "\r\n", "text/vcard; charset=utf-8"); status != 201) {
      throw std::runtime_error("PUT " + name + " gives HTTP " + std::to_string(status));
    }
  }
}

}  // namespace testing_support
