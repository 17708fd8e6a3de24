#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/inventory.h"
#include "app/refresh_run.h"
#include "common/error.h"
#include "common/log_sink.h"
#include "common/text.h"
#include "survey/workstation_file_error.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/test_settings.h"

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

// An inventory whose stages are recorded (and log the paths they are given) instead of touching a
// database, with hooks that run inside a stage: what the window tests drive.
class FakeInventory : public app::Inventory {
 public:
  FakeInventory(common::LogSink& log, const common::Text& folder)
      : Inventory(testing_support::SystemFiles(), testing_support::TestClock(), testing_support::UnusedMail(), log,
                  testing_support::TestSettings(folder)) {
    stages.log = &log;
  }
  RecordingStages stages;
  int activations = 0;
  common::Text activation_error;
  std::function<void()> during_get_exchange;
  std::function<void()> after_add_data;

  void FormActivate() override {
    ++activations;
    if (!activation_error.empty()) throw common::Error(activation_error);
  }
  directory::ExportCounts GetExchange() override {
    stages.GetExchange();
    if (during_get_exchange) during_get_exchange();
    return {};
  }
  void AddData(const common::Text& path) override {
    stages.AddData(path);
    if (after_add_data) after_add_data();
  }
  bool AddInfoData(const common::Text& path) override { return stages.AddInfoData(path); }
  directory::MergeCounts MergeContacts() override { return stages.MergeContacts(); }
  void CloseConnectionIfConnected() override { stages.CloseConnectionIfConnected(); }
};
