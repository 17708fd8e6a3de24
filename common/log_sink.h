#pragma once

#include <vector>

#include "common/text.h"

namespace common {

// Where the importers report progress: the window appends the line to its log box and then lets the
// window process pending events; the unattended program writes it to standard output.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Log(const Text& line) = 0;
  // Several lines at once, in order (a batch held back and shown together): by default Log each.
  virtual void LogLines(const std::vector<Text>& lines) {
    for (const Text& line : lines) Log(line);
  }
};

}  // namespace common
