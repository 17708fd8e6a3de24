#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_sync.h"

namespace testing_support {

// A file-sync object that flushes nothing and writes down each request: "file <name>" or "folder
// <name>", the last element of the path. It answers `fail_code` for the file named `fail_file`.
class RecordingSync : public platform::FileSync {
 public:
  std::vector<std::string> calls;
  // Also told of each request as it comes, to set it among other events.
  std::function<void(const std::string&)> on_call;
  std::string fail_file;
  int fail_code = 0;

  int SyncFile(const std::filesystem::path& path) override {
    Record("file " + LastName(path));
    return LastName(path) == fail_file ? fail_code : 0;
  }
  int SyncFolder(const std::filesystem::path& folder) override {
    Record("folder " + LastName(folder));
    return 0;
  }

 private:
  static std::string LastName(const std::filesystem::path& path) {
    return path.has_filename() ? path.filename().string() : path.parent_path().filename().string();
  }
  void Record(const std::string& call) {
    calls.push_back(call);
    if (on_call) on_call(call);
  }
};

}  // namespace testing_support
