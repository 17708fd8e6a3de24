// The unattended run as inventory-refresh makes it, in this process: the tables are flushed before the
// run reports anything, after a failure too, so that the power going next loses nothing, and a
// flush that fails is a failed run.
#include "app/unattended.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "directory/mail_directory.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/recording_log.h"
#include "tests/support/system_files.h"
#include "tests/support/system_texts.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_settings.h"

using testing_support::TempFolder;

namespace app {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StartsWith;

class UnattendedTest : public ::testing::Test {
 protected:
  UnattendedTest() {
    share_.MakeFolder("DB");
    const common::Text folder = common::PathToText(share_.Path());
    options_.settings = testing_support::TestSettings(folder);
    options_.summary = true;
    // Each flush goes to the same stream as the run's report, so their order shows.
    files_.through_sync = [this](const std::string& what, const std::function<void()>& sync) {
      err_ << "flush " << what << '\n';
      sync();
    };
  }

  TempFolder share_;
  UnattendedOptions options_;
  // The exports in the share, on Windows too, where the mail client would be Outlook itself.
  directory::DirectoryFiles mail_ = testing_support::IvanovDirectory(share_);
  testing_support::FaultFileSystem files_{testing_support::SystemFiles()};
  std::ostringstream err_;
  testing_support::RecordingLog log_;
  const std::string db_ = "flush folder DB";
};

TEST_F(UnattendedTest, TablesAreFlushedBeforeTheRunReportsSuccess) {
  share_.Write("PC-1.txt", "\xEF\xBB\xBFPC-1\nu\n\nИванов Иван\n\n\n\n\n");
  files_.TrackSyncs();
  EXPECT_EQ(RunUnattended(files_, testing_support::TestClock(), mail_, options_, log_, err_), 0);
  // The power going right after the report loses nothing the run wrote.
  const DatabaseRows written = ReadDatabase(share_.Path() + "DB/");
  ASSERT_EQ(written.at("USERS").size(), 1u);
  files_.CutPower();
  files_.PutBackSynced();
  EXPECT_EQ(ReadDatabase(share_.Path() + "DB/"), written);
  std::vector<std::string> lines = testing_support::Lines(err_.str());
  ASSERT_EQ(lines.size(), 16u) << err_.str();
  // The first activation creates USERS. The run commits MEXPORT when the export closes the connection,
  // TEXPORT before the first log line shows, USERS when the run closes it, HISTORY (created for the
  // host's first row) at the end, each synced after it deletes and at its end; then the end's flush.
  EXPECT_THAT(
      std::vector<std::string>(lines.begin(), lines.end() - 1),
      ElementsAre("flush file users.dbf", db_, "flush file mexport.dbf", "flush file mexport.dbf",
                  "flush file texport.dbf", "flush file texport.dbf", "flush file users.dbf", "flush file users.dbf",
                  "flush file history.dbf", "flush file history.dbf", "flush file history.dbf",
                  "flush file mexport.dbf", "flush file texport.dbf", "flush file users.dbf", db_));
  EXPECT_THAT(lines.back(),
              StartsWith("summary: imported=1 info-only=0 skipped=0 mexport=1 texport=1 email=1 tel2=1 "));
}

TEST_F(UnattendedTest, AFailedRunIsFlushedBeforeItsFailureIsReported) {
  share_.Write("PC-1.txt", "PC-1\nu\n");
  EXPECT_EQ(RunUnattended(files_, testing_support::TestClock(), mail_, options_, log_, err_), 1);
  std::vector<std::string> lines = testing_support::Lines(err_.str());
  ASSERT_EQ(lines.size(), 11u) << err_.str();
  // The failing file wrote nothing, so USERS is flushed only after its creation.
  EXPECT_THAT(std::vector<std::string>(lines.begin(), lines.end() - 1),
              ElementsAre("flush file users.dbf", db_, "flush file mexport.dbf", "flush file mexport.dbf",
                          "flush file texport.dbf", "flush file texport.dbf", "flush file mexport.dbf",
                          "flush file texport.dbf", db_, "List index out of bounds (2)"));
  EXPECT_THAT(lines.back(), StartsWith("summary: imported=0 info-only=0 skipped=0 "));
}

TEST_F(UnattendedTest, AFlushThatFailsFailsTheRun) {
  // The activation flushes USERS and the folder; the run's commits then MEXPORT twice, then TEXPORT.
  files_.FailNth(testing_support::FaultPoint::kSync, 5, testing_support::FaultCode::kIoError);
  options_.summary = false;
  EXPECT_EQ(RunUnattended(files_, testing_support::TestClock(), mail_, options_, log_, err_), 1);
  std::vector<std::string> lines = testing_support::Lines(err_.str());
  ASSERT_FALSE(lines.empty());
  EXPECT_THAT(lines.back(), StartsWith("ADOConnection: Cannot flush file \""));
  EXPECT_THAT(
      lines.back(),
      EndsWith(common::ToUtf8(
          u"DB" + common::Text(testing_support::kSeparator) + u"texport.dbf\". " +
          platform::SystemErrorText(testing_support::SystemCode(testing_support::FaultCode::kIoError)) + u".")));
}

}  // namespace
}  // namespace app
