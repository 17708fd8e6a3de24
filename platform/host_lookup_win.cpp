#include <winsock2.h>

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/codepage.h"
#include "platform/host_lookup.h"

namespace platform {

namespace {

// The name service is handed a NUL-terminated name in a zero-filled buffer of this size.
constexpr size_t kHostNameBufferSize = 256;

// Windows Sockets is running (WSAStartup has been called); the caller cleans up.
common::Text LookUp(const common::Text& host_name, std::string_view codepage) {
  std::array<char, kHostNameBufferSize> buffer{};
  std::string name = Codepage::Get(codepage).Encode(host_name);
  // A name that does not fit with its terminating zero is not looked up, rather than cut.
  if (name.size() > buffer.size() - 1) return {};
  std::memcpy(buffer.data(), name.data(), name.size());
  // The name ends at its first NUL; gethostbyname("") would answer with this machine's own address.
  if (buffer[0] == '\0') return {};

  const hostent* answer = gethostbyname(buffer.data());
  if (answer == nullptr || answer->h_addrtype != AF_INET || answer->h_length != 4 || answer->h_addr_list == nullptr ||
      answer->h_addr_list[0] == nullptr) {
    return {};
  }
  in_addr address;
  std::memcpy(&address, answer->h_addr_list[0], sizeof address);
  const char* dotted = inet_ntoa(address);
  return dotted == nullptr ? common::Text() : common::FromUtf8(dotted);
}

}  // namespace

common::Text GetHostIP(const common::Text& host_name, std::string_view codepage) {
  common::Text result;
  WSADATA data;
  // Windows Sockets 1.1, as the look-up needs nothing newer.
  if (WSAStartup(0x0101, &data) == 0) {
    try {
      result = LookUp(host_name, codepage);
    } catch (...) {
      // A look-up that cannot be made is an unknown address, never a failure of the import.
      result.clear();
    }
  }
  // Once on every path, also when the start-up failed.
  WSACleanup();
  return result;
}

}  // namespace platform
