#include "app/inventory.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/compiled_settings.h"
#include "tests/app/recording_stages.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/recording_log.h"
#include "tests/support/system_files.h"
#include "tests/support/system_texts.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_settings.h"

using testing_support::TempFolder;

namespace app {
namespace {

// An inventory with the settings the test states over `survey_folder`.
Inventory Over(common::LogSink& log, const common::Text& survey_folder) {
  return Inventory(testing_support::SystemFiles(), testing_support::TestClock(), testing_support::UnusedMail(), log,
                   testing_support::TestSettings(survey_folder));
}

TEST(InventoryTest, ComponentsCarryTheirNamesAndShareTheConnection) {
  testing_support::RecordingLog log;
  Inventory inventory = Over(log, u"/survey/");
  EXPECT_EQ(inventory.ADOConnection.name(), "ADOConnection");
  EXPECT_EQ(inventory.survey_folder(), u"/survey/");
  EXPECT_EQ(inventory.database_folder(), u"/survey/DB/");
  EXPECT_FALSE(inventory.ADOConnection.Connected());  // nothing opens it at start
}

TEST(InventoryTest, DefaultFoldersAreTheFixedSettings) {
  const Settings settings = DefaultSettings();
  EXPECT_EQ(settings.survey_folder, compiled::kSurveyFolder);
  // "DB" and the survey folder's own separator ("/" here, "\\" in a Windows build).
  const common::Text survey_folder = compiled::kSurveyFolder;
  EXPECT_EQ(settings.database_folder, survey_folder + u"DB" + survey_folder.back());
}

TEST(InventoryTest, FormActivatePointsTheConnectionAtTheDatabaseFolder) {
  TempFolder share;
  share.MakeFolder("DB");
  common::Text database_folder = common::PathToText(share.Path()) + u"DB" + testing_support::kSeparator;
  testing_support::RecordingLog log;
  Inventory inventory = Over(log, common::PathToText(share.Path()));
  inventory.FormActivate();
  EXPECT_EQ(inventory.ADOConnection.ConnectionString(),
            u"DRIVER=Microsoft dBase Driver (*.dbf);DriverID=533;FIL=dBase 5.0;DefaultDir=" + database_folder);
}

TEST(InventoryTest, RefreshRunsItsOwnStagesOverItsOwnSurveyFolder) {
  TempFolder share;
  share.Write("PC-7.txt");
  share.Write("PC-8.nfo");
  testing_support::RecordingLog log;
  FakeInventory inventory(log, common::PathToText(share.Path()));
  inventory.Refresh();
  EXPECT_THAT(inventory.stages.calls, testing::ElementsAre("GetExchange", "AddData " + share.Path() + "PC-7.txt",
                                                           "AddInfoData " + share.Path() + "PC-8.nfo", "MergeContacts",
                                                           "CloseConnectionIfConnected"));
}

}  // namespace
}  // namespace app
