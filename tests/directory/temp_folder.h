#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "common/text.h"
#include "tests/support/unique_folder.h"

namespace directory::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() : path_(testing_support::MakeUniqueFolder(std::filesystem::temp_directory_path(), "directory-test-")) {}
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder with a trailing separator, as the fixed folder settings are written.
  common::Text Folder() const { return common::PathToText(path_.string() + "/"); }

  // Writes `bytes` to `name` in the folder and returns its full path.
  common::Text Write(std::string_view name, std::string_view bytes) const {
    std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return common::PathToText(file.string());
  }
  common::Text PathOf(std::string_view name) const { return common::PathToText((path_ / name).string()); }

 private:
  std::filesystem::path path_;
};

}  // namespace directory::testing
