#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/host_lookup.h"

namespace platform {

namespace {

// The name service is handed a NUL-terminated name in a buffer of this size.
constexpr size_t kHostNameBufferSize = 256;

common::Text LookUp(const common::Text& host_name, std::string_view codepage) {
  std::string name = Codepage::Get(codepage).Encode(host_name);
  if (name.size() > kHostNameBufferSize - 1) return {};
  // The name service sees the name as a C string: a NUL inside ends it.
  name.resize(std::char_traits<char>::length(name.c_str()));
  if (name.empty()) return {};

  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* answer = nullptr;
  if (::getaddrinfo(name.c_str(), nullptr, &hints, &answer) != 0 || answer == nullptr) return {};

  common::Text result;
  for (const addrinfo* entry = answer; entry != nullptr; entry = entry->ai_next) {
    if (entry->ai_family != AF_INET || entry->ai_addr == nullptr) continue;
    const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
    char dotted[INET_ADDRSTRLEN];
    if (::inet_ntop(AF_INET, &address->sin_addr, dotted, sizeof dotted) != nullptr) {
      result = common::FromUtf8(dotted);
    }
    break;
  }
  ::freeaddrinfo(answer);
  return result;
}

}  // namespace

common::Text GetHostIP(const common::Text& host_name, std::string_view codepage) {
  try {
    return LookUp(host_name, codepage);
  } catch (...) {
    // A look-up that cannot be made is an unknown address, never a failure of the import.
    return {};
  }
}

}  // namespace platform
