#pragma once

#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/text.h"
#include "survey/survey_folder.h"
#include "tests/support/scratch_folder.h"
#include "tests/support/system_files.h"

namespace survey::testing {

// A fresh folder under the test temporary directory, removed with everything in it afterwards.
class TempFolder : public testing_support::ScratchFolder {
 public:
  TempFolder() : ScratchFolder("survey-", ::testing::TempDir()) {}

  // The native path of `name` inside the folder.
  std::string Native(const std::string& name) const { return (path() / name).string(); }
  // The same path as the system's text, the way the refresh run builds it.
  common::Text Path(const std::string& name) const { return common::PathToText(Native(name)); }
  // The folder itself as text, ending with a separator.
  common::Text Folder() const { return common::PathToText(path().string() + "/"); }

  common::Text Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(Native(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + name);
    return Path(name);
  }
};

// Reads the workstation file at a full path as the refresh run reads a survey folder's file.
inline LineList ReadLines(const common::Text& path) {
  platform::SplitPath split = platform::SplitFolder(path);
  SurveyFolder folder(testing_support::SystemFiles(), split.folder, "windows-1251");
  return folder.ReadLines(split.name);
}

// UTF-8 bytes of a text literal, for writing files in the tests.
inline std::string Utf8(common::TextView text) { return common::ToUtf8(text); }

}  // namespace survey::testing
