#pragma once

namespace testing_support {

// A port of 127.0.0.1 that nothing listens on at the moment of the call (POSIX: daemon.cpp,
// Windows: free_port_win32.cpp).
int FreePort();

}  // namespace testing_support
