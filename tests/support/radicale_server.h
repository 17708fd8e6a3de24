#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

// A throw-away CardDAV server for the tests that read contacts: Debian's Radicale from a temporary
// folder of its own on 127.0.0.1, over TLS with a certificate signed by a CA made for it
// (ca_file()), one user kDavUser with kDavPassword (a plain htpasswd file). Nothing outside the
// folder is touched.
namespace testing_support {

inline constexpr const char* kDavUser = "ivanov";
inline constexpr const char* kDavPassword = "Ромашка-2024";

class RadicaleServer {
 public:
  // What this machine lacks ("radicale is not installed (package radicale)", ...), or the empty text.
  static std::string Missing();

  // Starts Radicale and waits until it takes connections. Throws std::runtime_error naming the step
  // that failed; Radicale gets SIGTERM should this process die.
  RadicaleServer();
  ~RadicaleServer();
  RadicaleServer(const RadicaleServer&) = delete;
  RadicaleServer& operator=(const RadicaleServer&) = delete;

  // "https://127.0.0.1:<port>/<path>".
  std::string Url(const std::string& path) const;
  // Creates the address book collection at `path` ("ivanov/contacts/"), then stores each card of
  // `cards` (vCard text, one card after another, folded lines already joined) in it as <n>.vcf.
  // Throws std::runtime_error with the server's status when it refuses one.
  void MakeAddressBook(const std::string& path, const std::string& cards) const;

  const std::filesystem::path& ca_file() const { return ca_file_; }
  const std::filesystem::path& other_ca_file() const { return other_ca_file_; }
  // A folder for the test's own files, removed with the server's.
  std::filesystem::path scratch() const { return root_ / "scratch"; }

 private:
  void Stop();
  long Send(const std::string& method, const std::string& path, const std::string& body,
            const std::string& content_type) const;

  std::filesystem::path root_;
  std::filesystem::path ca_file_;
  std::filesystem::path other_ca_file_;
  int port_ = 0;
  pid_t radicale_ = -1;
};

}  // namespace testing_support
