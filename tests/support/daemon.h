#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

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

// A port of 127.0.0.1 that nothing listens on at the moment of the call.
int FreePort();

// Starts `argv` in a process group of its own, with `home` as HOME and standard output and error going
// to `log`. The child gets SIGTERM when this process dies.
pid_t Spawn(const std::vector<std::string>& argv, const std::filesystem::path& home, const std::filesystem::path& log);

// Whether the child has ended (it is reaped then).
bool Ended(pid_t pid);

// SIGTERM to the process group (SIGKILL at once when `kill` is set), SIGKILL after five seconds; the
// leader is reaped and `pid` set to -1. Does nothing for a pid of -1.
void Terminate(pid_t& pid, bool kill = false);

}  // namespace testing_support
