#pragma once

#include <gmock/gmock.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "common/text.h"
#include "store/command.h"
#include "store/connection.h"
#include "store/query.h"
#include "survey/survey_folder.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/recording_log.h"
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

// A share of workstation files and what the imports are handed: the store's command and query on a
// connection that a test points at a database folder (or not at all), and a log that keeps every line.
class ImportTestBase : public ::testing::Test {
 protected:
  testing_support::TempFolder share_;
  store::Connection connection_{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                                "windows-1251"};
  store::Command command_{"ADOCommand", connection_};
  store::Query query_{"ADOQuery", connection_};
  testing_support::RecordingLog log_;
};

// The lines of a complete info file, fourteen: the machine facts (SPEED to BIOS), then USER, IP and
// PRINTER.
inline const std::vector<common::Text>& FullInfoLines() {
  static const std::vector<common::Text> lines = {
      u"2400",     u"x86 Family 6",    u"1024",         u"Intel(R) Core(TM)2",
      u"80000",    u"Windows XP",      u"5.1",          u"",
      u"2600",     u"Service Pack 3",  u"AMI 08.00.15", u"ivanov",
      u"10.0.0.5", u"HP LaserJet 1018"};
  return lines;
}

// UTF-8 bytes of a text literal, for writing files in the tests.
inline std::string Utf8(common::TextView text) { return common::ToUtf8(text); }

}  // namespace survey::testing
