#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "common/text.h"
#include "tests/support/scratch_folder.h"

namespace platform::win_testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end. Names
// are UTF-16 text, as the Windows side of the platform takes them.
class WindowsTestFolder {
 public:
  WindowsTestFolder()
      : path_(testing_support::MakeUniqueFolder(std::filesystem::temp_directory_path(), "inventory-win-")) {}
  ~WindowsTestFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  WindowsTestFolder(const WindowsTestFolder&) = delete;
  WindowsTestFolder& operator=(const WindowsTestFolder&) = delete;

  // The folder as text, ending in a backslash, as the survey folder setting is written on Windows.
  common::Text Folder() const { return Text(path_.wstring()) + u"\\"; }
  common::Text Path(const common::Text& name) const { return Folder() + name; }

  common::Text Write(const common::Text& name, const std::string& bytes = "x") const {
    std::ofstream out(Native(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return Path(name);
  }
  void MakeFolder(const common::Text& name) const { std::filesystem::create_directory(Native(name)); }
  bool SetAttributes(const common::Text& name, DWORD attributes) const {
    return SetFileAttributesW(Native(name).c_str(), attributes) != 0;
  }
  std::filesystem::path Native(const common::Text& name) const {
    return path_ / std::wstring(name.begin(), name.end());
  }

 private:
  static common::Text Text(const std::wstring& wide) { return common::Text(wide.begin(), wide.end()); }
  std::filesystem::path path_;
};

}  // namespace platform::win_testing
