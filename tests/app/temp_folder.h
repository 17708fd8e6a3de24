#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/support/unique_folder.h"

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder() : path_(testing_support::MakeUniqueFolder(std::filesystem::temp_directory_path(), "inventory-app-")) {}
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's path as bytes, ending in "/", as the survey folder setting is written.
  std::string Path() const { return path_.string() + "/"; }

  void WriteFile(const std::string& name, const std::string& content = "x") const {
    std::ofstream(path_ / name, std::ios::binary) << content;
  }
  void MakeFolder(const std::string& name) const { std::filesystem::create_directory(path_ / name); }

 private:
  std::filesystem::path path_;
};
