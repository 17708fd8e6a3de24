#pragma once

#include "common/text.h"

namespace common {

// Where the importers report progress: the window appends the line to its log box and then lets the
// window process pending events; the unattended program writes it to standard output.
class LogSink {
 public:
  virtual ~LogSink() = default;
  virtual void Log(const Text& line) = 0;
};

}  // namespace common
