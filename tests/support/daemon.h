#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/free_port.h"

// Starting and stopping the servers the tests run on this machine (smbd, slapd, radicale), each from
// a temporary folder of its own.
namespace testing_support {

// The program's path: in PATH, else in the system folders that hold daemons; empty when absent.
std::string FindProgram(const std::string& name);

// Writes `text` to `path`, replacing it, with `mode`; throws std::runtime_error when it cannot.
void WriteText(const std::filesystem::path& path, const std::string& text, mode_t mode = 0644);

// The last 600 bytes of a log file, for the message of a server that did not start.
std::string Tail(const std::filesystem::path& path);

// Whether something accepts TCP connections on 127.0.0.1:`port`.
bool PortServed(int port);

// Starts `argv` in a process group of its own, with `home` as HOME and standard output and error going
// to `log`. The child gets SIGTERM when this process dies.
pid_t Spawn(const std::vector<std::string>& argv, const std::filesystem::path& home, const std::filesystem::path& log);

// Waits until every port of 127.0.0.1 in `ports` takes connections. False when the child ended
// first (it is reaped and `pid` set to -1); throws std::runtime_error "<program> does not take
// connections" after 30 seconds.
bool WaitForPorts(pid_t& pid, const std::vector<int>& ports, const std::string& program);

// Whether the child has ended (it is reaped then).
bool Ended(pid_t pid);

// SIGTERM to the process group (SIGKILL at once when `kill` is set), SIGKILL after five seconds; the
// leader is reaped and `pid` set to -1. Does nothing for a pid of -1.
void Terminate(pid_t& pid, bool kill = false);

// A socket on 127.0.0.1 that takes connections and never says a word, as a server does that hangs.
class SilentServer {
 public:
  SilentServer();  // throws std::runtime_error when it cannot listen
  ~SilentServer();
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;
  int port() const { return port_; }
  int fd() const { return fd_; }  // the listening socket, for a test that answers after all

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A new folder named `prefix` and six random characters under the system's temporary folder, for a
// server's files; throws std::runtime_error when it cannot be made.
std::filesystem::path MakeServerFolder(const std::string& prefix);

// Runs a shell command; throws std::runtime_error "<step> failed: <output>" unless it succeeds.
std::string RunStep(const std::string& command, const std::string& step);

// Makes, in `folder`, a throw-away CA (ca.pem), a server certificate for 127.0.0.1, localhost and
// this machine's name (libldap checks that name for "localhost") signed by it (server.pem, key server.key) and a
// second, unrelated CA (other-ca.pem), with openssl.
void MakeTestCertificates(const std::filesystem::path& folder);

}  // namespace testing_support
