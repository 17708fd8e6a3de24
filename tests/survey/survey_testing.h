#pragma once

#include <gmock/gmock.h>

#include <string>

#include "common/text.h"
#include "survey/survey_folder.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace survey::testing {

// Reads the workstation file at a full path as the refresh run reads a survey folder's file.
inline LineList ReadLines(const common::Text& path) {
  platform::SplitPath split = platform::SplitFolder(path);
  SurveyFolder folder(testing_support::SystemFiles(), split.folder, "windows-1251");
  return folder.ReadLines(split.name);
}

// Matches a call that throws common::Error with exactly `message`.
inline auto Fails(const common::Text& message) {
  return ::testing::Throws<common::Error>(::testing::Property(&common::Error::message, message));
}

// UTF-8 bytes of a text literal, for writing files in the tests.
inline std::string Utf8(common::TextView text) { return common::ToUtf8(text); }

}  // namespace survey::testing
