#pragma once

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tests/support/scratch_folder.h"

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder : public testing_support::ScratchFolder {
 public:
  TempFolder() : ScratchFolder("inventory-app-") {}

  // The folder's path as bytes, ending in "/", as the survey folder setting is written.
  std::string Path() const { return path().string() + "/"; }

  void WriteFile(const std::string& name, const std::string& content = "x") const {
    std::ofstream(path() / name, std::ios::binary) << content;
  }
  void MakeFolder(const std::string& name) const { std::filesystem::create_directory(path() / name); }
};
