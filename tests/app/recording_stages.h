#pragma once

#include <string>
#include <vector>

#include "app/refresh_run.h"
#include "common/error.h"
#include "common/log_sink.h"
#include "common/text.h"
#include "survey/workstation_file_error.h"

// Stages that write down each call ("GetExchange", "AddData <path>", ...), optionally log the path
// each AddData is given, and throw fail_message at each call whose record starts with fail_at: as a
// failure of the workstation file when fail_as_file is set, else as any other failure.
class RecordingStages : public app::RefreshStages {
 public:
  std::vector<std::string> calls;
  std::string fail_at;
  common::Text fail_message = u"Stage failed";
  bool fail_as_file = false;
  common::LogSink* log = nullptr;

  directory::ExportCounts GetExchange() override {
    Record("GetExchange");
    return {};
  }
  void AddData(const common::Text& path) override { Record("AddData " + common::TextToPath(path), path); }
  bool AddInfoData(const common::Text& path) override {
    Record("AddInfoData " + common::TextToPath(path));
    return true;
  }
  directory::MergeCounts MergeContacts() override {
    Record("MergeContacts");
    return {};
  }
  void CloseConnectionIfConnected() override { Record("CloseConnectionIfConnected"); }

 private:
  void Record(const std::string& call, const common::Text& line = {}) {
    calls.push_back(call);
    if (!fail_at.empty() && call.rfind(fail_at, 0) == 0) {
      if (fail_as_file) throw survey::WorkstationFileError(common::Error(fail_message));
      throw common::Error(fail_message);
    }
    if (log != nullptr && !line.empty()) log->Log(line);
  }
};
