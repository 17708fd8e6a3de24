// clang-format off
#include <winsock2.h>
// clang-format on

#include <stdexcept>

#include "tests/support/free_port.h"

namespace testing_support {

int FreePort() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  const bool bound = s != INVALID_SOCKET &&
                     ::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
                     ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (s != INVALID_SOCKET) ::closesocket(s);
  ::WSACleanup();
  if (!bound) throw std::runtime_error("no free port on 127.0.0.1");
  return ntohs(address.sin_port);
}

}  // namespace testing_support
