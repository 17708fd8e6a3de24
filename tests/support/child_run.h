#pragma once

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <chrono>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace testing_support {

// The lines of a program's output, without their line breaks.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

#ifdef _WIN32
// The independent readers are Debian tools; a Windows build has none of them, and the tests that
// need them skip.
inline std::string RunCommand(const std::string&, int* = nullptr) { throw std::runtime_error("no shell on Windows"); }
inline std::string RunPython(const std::string&, const std::vector<std::string>&) { return RunCommand(""); }
inline bool HaveProgram(const std::string&) { return false; }
inline bool HaveDebianPythonModule(const std::string&) { return false; }
#else
// A program running in a child process, with its standard output read line by line and its standard
// error gathered, under a deadline so that nothing can hang a test.
class ChildRun {
 public:
#ifdef INVENTORY_REFRESH_AT
  // The test driver inventory-refresh-at on these folders.
  ChildRun(const std::string& survey_folder, const std::string& database_folder)
      : ChildRun(INVENTORY_REFRESH_AT, {survey_folder, database_folder}) {}
#endif

  ChildRun(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      ::execv(program.c_str(), argv.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~ChildRun() {
    if (pid_ > 0 && !reaped_) {
      ::kill(pid_, SIGKILL);
      Wait();
    }
    ::close(out_);
    ::close(err_);
  }
  ChildRun(const ChildRun&) = delete;
  ChildRun& operator=(const ChildRun&) = delete;

  pid_t pid() const { return pid_; }

  // Reads until `count` lines have come on standard output or the output ends. False at the deadline.
  bool WaitForLines(size_t count, std::chrono::milliseconds deadline = std::chrono::seconds(60)) {
    auto until = std::chrono::steady_clock::now() + deadline;
    while (lines_.size() < count && !out_closed_) {
      if (!Pump(until)) return false;
    }
    return true;
  }

  void Kill() { ::kill(pid_, SIGKILL); }
  void Stop() { ::kill(pid_, SIGSTOP); }
  void Continue() { ::kill(pid_, SIGCONT); }

  // Reads everything to the end and reaps the child; the exit code, 128 + signal when killed, or -1
  // when it did not end before the deadline (it is killed then).
  int Finish(std::chrono::milliseconds deadline = std::chrono::seconds(120)) {
    auto until = std::chrono::steady_clock::now() + deadline;
    while (!out_closed_ || !err_closed_) {
      if (!Pump(until)) {
        Kill();
        Wait();
        return -1;
      }
    }
    return Wait();
  }

  const std::vector<std::string>& lines() const { return lines_; }
  // Everything standard output has carried, as it came.
  const std::string& output() const { return output_; }
  const std::string& error_text() const { return error_; }

 private:
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  bool Pump(std::chrono::steady_clock::time_point until) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd fds[2] = {{out_closed_ ? -1 : out_, POLLIN, 0}, {err_closed_ ? -1 : err_, POLLIN, 0}};
    int ready = ::poll(fds, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) return true;
    if (ready <= 0) return false;
    char buffer[4096];
    if (fds[0].revents) {
      ssize_t n = ::read(out_, buffer, sizeof buffer);
      if (n <= 0) {
        out_closed_ = true;
      } else {
        output_.append(buffer, static_cast<size_t>(n));
        partial_.append(buffer, static_cast<size_t>(n));
        for (size_t end; (end = partial_.find('\n')) != std::string::npos;) {
          lines_.push_back(partial_.substr(0, end));
          partial_.erase(0, end + 1);
        }
      }
    }
    if (fds[1].revents) {
      ssize_t n = ::read(err_, buffer, sizeof buffer);
      if (n <= 0)
        err_closed_ = true;
      else
        error_.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }

  pid_t pid_ = -1;
  int out_ = -1;
  int err_ = -1;
  bool out_closed_ = false;
  bool err_closed_ = false;
  bool reaped_ = false;
  std::string output_;
  std::string partial_;
  std::vector<std::string> lines_;
  std::string error_;
};

// Runs a shell command as a child and returns its standard output; sets `status` to its exit status
// (-1 when it did not end within five minutes: it is killed then).
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  ChildRun run("/bin/sh", {"-c", command});
  int code = run.Finish(std::chrono::minutes(5));
  if (status != nullptr) *status = code;
  return run.output();
}

// Runs Debian's python3 on `script` (which ends with a line break) with `arguments` after it, each
// quoted for the shell; returns what it writes on standard output and standard error.
inline std::string RunPython(const std::string& script, const std::vector<std::string>& arguments) {
  std::string command = "/usr/bin/python3 -c \"$(cat <<'PY'\n" + script + "PY\n)\"";
  for (const std::string& argument : arguments) command += " '" + argument + "'";
  return RunCommand(command + " 2>&1");
}

inline bool HaveProgram(const std::string& name) {
  int status = 0;
  RunCommand("command -v " + name + " >/dev/null 2>&1", &status);
  return status == 0;
}

inline bool HaveDebianPythonModule(const std::string& module) {
  int status = 0;
  RunCommand("/usr/bin/python3 -c 'import " + module + "' 2>/dev/null", &status);
  return status == 0;
}
#endif

}  // namespace testing_support
