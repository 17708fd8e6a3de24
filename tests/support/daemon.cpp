#include "tests/support/daemon.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/support/child_run.h"

extern char** environ;

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStopDeadline = std::chrono::seconds(5);
constexpr auto kStartDeadline = std::chrono::seconds(30);

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  std::string search = getenv("PATH") ? getenv("PATH") : "";
  search += ":/usr/sbin:/sbin:/usr/bin:/bin";
  std::stringstream folders(search);
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (folder.empty()) continue;
    std::string path = folder + "/" + name;
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

void WriteText(const std::filesystem::path& path, const std::string& text, mode_t mode) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("cannot write " + path.string());
}

std::string Tail(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

std::filesystem::path MakeServerFolder(const std::string& prefix) {
  std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

bool PortServed(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in address = Loopback(port);
  bool served = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return served;
}

int FreePort() {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("no free port on 127.0.0.1");
  }
  ::close(fd);
  return ntohs(address.sin_port);
}

SilentServer::SilentServer() {
  fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  if (fd_ < 0 || ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd_, 8) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (fd_ >= 0) ::close(fd_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
}

SilentServer::~SilentServer() { ::close(fd_); }

pid_t Spawn(const std::vector<std::string>& argv, const std::filesystem::path& home, const std::filesystem::path& log) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (std::string_view(*entry).starts_with("HOME=")) continue;
    environment.emplace_back(*entry);
  }
  environment.push_back("HOME=" + home.string());
  std::vector<char*> args, envp;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  for (const std::string& variable : environment) envp.push_back(const_cast<char*>(variable.c_str()));
  envp.push_back(nullptr);
  const pid_t parent = ::getpid();
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) ::_exit(127);
    int null = ::open("/dev/null", O_RDONLY);
    int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    ::dup2(null, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execve(args[0], args.data(), envp.data());
    ::_exit(127);
  }
  ::setpgid(pid, pid);
  return pid;
}

bool Ended(pid_t pid) {
  int status = 0;
  return ::waitpid(pid, &status, WNOHANG) == pid;
}

bool WaitForPorts(pid_t& pid, const std::vector<int>& ports, const std::string& program) {
  auto until = Clock::now() + kStartDeadline;
  while (!std::all_of(ports.begin(), ports.end(), PortServed)) {
    if (Ended(pid)) {
      pid = -1;
      return false;
    }
    if (Clock::now() > until) throw std::runtime_error(program + " does not take connections");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

void Terminate(pid_t& pid, bool kill) {
  if (pid <= 0) return;
  ::kill(-pid, kill ? SIGKILL : SIGTERM);
  Clock::time_point until = Clock::now() + kStopDeadline;
  bool ended = false;
  while (!(ended = Ended(pid)) && Clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (!ended) {
    ::kill(-pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
  ::kill(-pid, SIGKILL);  // children left behind by the leader
  pid = -1;
}

std::string RunStep(const std::string& command, const std::string& step) {
  int status = 0;
  std::string output = RunCommand(command + " 2>&1", &status);
  if (status != 0) throw std::runtime_error(step + " failed: " + output);
  return output;
}

void MakeTestCertificates(const std::filesystem::path& root) {
  const std::string r = root.string();
  const std::string key = "-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
  RunStep("cd '" + r + "' && openssl req -x509 " + key +
              " -keyout ca.key -out ca.pem -days 2 -subj '/CN=Romashka Test CA'" + " && openssl req -x509 " + key +
              " -keyout other-ca.key -out other-ca.pem -days 2 -subj '/CN=Other CA'" + " && openssl req " + key +
              " -keyout server.key -out server.csr -subj '/CN=127.0.0.1'" +
              " && printf 'subjectAltName=IP:127.0.0.1,DNS:localhost,DNS:%s\\n' \"$(hostname)\" > server.ext" +
              " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2" +
              " -extfile server.ext -out server.pem",
          "making the certificates with openssl");
}

}  // namespace testing_support
