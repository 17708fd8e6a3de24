#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "common/text.h"
#include "tests/support/scratch_folder.h"

namespace directory::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder : public testing_support::ScratchFolder {
 public:
  TempFolder() : ScratchFolder("directory-test-") {}

  // The folder with a trailing separator, as the fixed folder settings are written.
  common::Text Folder() const { return common::PathToText(path().string() + "/"); }

  // Writes `bytes` to `name` in the folder and returns its full path.
  common::Text Write(std::string_view name, std::string_view bytes) const {
    std::filesystem::path file = path() / name;
    std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return common::PathToText(file.string());
  }
  common::Text PathOf(std::string_view name) const { return common::PathToText((path() / name).string()); }
};

}  // namespace directory::testing
