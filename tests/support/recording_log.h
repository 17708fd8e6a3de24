#pragma once

#include <vector>

#include "common/log_sink.h"
#include "common/text.h"

namespace testing_support {

// A log sink that keeps every line it is given, in order, for the tests to compare.
class RecordingLog : public common::LogSink {
 public:
  void Log(const common::Text& line) override { lines.push_back(line); }
  std::vector<common::Text> lines;
};

}  // namespace testing_support
