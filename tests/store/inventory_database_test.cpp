#include "store/inventory_database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "store/query.h"
#include "tests/support/dbf_files.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace store {
namespace {

using ::testing::ElementsAreArray;
using ::testing::StartsWith;
using testing_support::TempFolder;

class FirstActivationTest : public ::testing::Test {
 protected:
  FirstActivationTest() {
    connection_.SetTrace([this](std::string_view component, const common::Text& text) {
      executed_.push_back(std::string(component) + ": " + common::ToUtf8(text));
    });
  }

  TempFolder folder_;
  std::vector<std::string> executed_;
  Connection connection_{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection", "windows-1251"};
  Command command_{"ADOCommand", connection_};
};

const char* const kExpectedStatements[] = {
    "CREATE TABLE USERS (HOST VARCHAR(70), USER VARCHAR(70), IP VARCHAR(70), FIO VARCHAR(70), TEL VARCHAR(70), "
    "ZDAN VARCHAR(70), ETAJ VARCHAR(70), KAB VARCHAR(70), EMAIL VARCHAR(70), TEL2 VARCHAR(70),SPEED INTEGER, "
    "RAM INTEGER, TYPE VARCHAR(70), CPU VARCHAR(70), HDD INTEGER, OS VARCHAR(70), OSVER VARCHAR(70), "
    "W9XVER VARCHAR(70), OSBUILD VARCHAR(70),  OSID VARCHAR(70), BIOS VARCHAR(70), PRINTER VARCHAR (192));",
    "CREATE INDEX HOST_IDX ON USERS (HOST)",
    "CREATE INDEX USER_IDX ON USERS (USER)",
    "CREATE INDEX FIO_IDX ON USERS (FIO)",
    "CREATE INDEX IP_IDX ON USERS (IP)",
    "CREATE INDEX TEL_IDX ON USERS (TEL)",
    "CREATE INDEX TEL2_IDX ON USERS (TEL2)",
    "CREATE INDEX EMAIL_IDX ON USERS (EMAIL)",
    "CREATE INDEX ZDAN_IDX ON USERS (ZDAN)",
    "CREATE INDEX KAB_IDX ON USERS (KAB)",
    "CREATE INDEX ETAJ_IDX ON USERS (ETAJ)",
    "CREATE INDEX SPEED_IDX ON USERS (SPEED)",
    "CREATE INDEX RAM_IDX ON USERS (RAM)",
    "CREATE INDEX TYPE_IDX ON USERS (TYPE)",
    "CREATE INDEX CPU_IDX ON USERS (CPU)",
    "CREATE INDEX HDD_IDX ON USERS (HDD)",
    "CREATE INDEX OS_IDX ON USERS (OS)",
    "CREATE INDEX OSID_IDX ON USERS (OSID)",
    "CREATE INDEX BIOS_IDX ON USERS (BIOS)",
};

TEST_F(FirstActivationTest, AnEmptyUsersFileLeftByACutShortCreationIsReplaced) {
  testing_support::WriteFile(folder_.path() / "users.dbf", "");
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  EXPECT_EQ(executed_.size(), std::size(kExpectedStatements));
  Query query("ADOQuery", connection_);
  query.SetText(u"SELECT HOST FROM USERS");
  query.Open();
  EXPECT_TRUE(query.Eof());
}

TEST_F(FirstActivationTest, MissingUsersCreatesTheTableAndEighteenIndexesInOrder) {
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  EXPECT_EQ(connection_.ConnectionString(),
            u"DRIVER=Microsoft dBase Driver (*.dbf);DriverID=533;FIL=dBase 5.0;DefaultDir=" + folder_.Folder());
  EXPECT_TRUE(connection_.Connected());
  std::vector<std::string> expected;
  for (const char* text : kExpectedStatements) expected.push_back(std::string("ADOCommand: ") + text);
  EXPECT_THAT(executed_, ElementsAreArray(expected));
  EXPECT_TRUE(std::filesystem::is_regular_file(folder_.path() / "users.dbf"));
  // Every index exists: creating any of them again is refused, on USERS only.
  for (size_t i = 1; i < std::size(kExpectedStatements); ++i) {
    command_.SetText(common::FromUtf8(kExpectedStatements[i]));
    EXPECT_THAT([&] { command_.Execute(); }, ::testing::Throws<common::Error>()) << kExpectedStatements[i];
  }
  // Only files of the tables: no index or catalog file a dBase tool could misread.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path()))
    names.push_back(entry.path().filename().string());
  EXPECT_THAT(names, ElementsAreArray({"users.dbf"}));
}

TEST_F(FirstActivationTest, PresentUsersRunsNothingAndLeavesTheConnectionClosed) {
  testing_support::WriteFile(folder_.path() / "users.dbf", "not even a table");
  command_.SetText(u"untouched");
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  EXPECT_FALSE(connection_.Connected());
  EXPECT_THAT(executed_, ::testing::IsEmpty());
  EXPECT_EQ(command_.CommandText(), u"untouched");
  EXPECT_EQ(testing::ReadBytes(folder_.path() / "users.dbf"), "not even a table");
}

TEST_F(FirstActivationTest, UpperCaseUsersFileCountsAsPresent) {
  testing_support::WriteFile(folder_.path() / "USERS.DBF", "x");
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  EXPECT_FALSE(connection_.Connected());
  EXPECT_THAT(executed_, ::testing::IsEmpty());
}

#ifndef _WIN32
// A link planted under the table's name is neither followed nor taken for a missing table (which would
// have the create statement replace it): activation leaves it, and reading the table gives the reason.
TEST_F(FirstActivationTest, LinkNamedUsersDbfCountsAsPresentAndIsNeverFollowed) {
  TempFolder outside;
  testing_support::WriteFile(outside.path() / "empty", "");
  std::filesystem::create_symlink(outside.path() / "empty", folder_.path() / "users.dbf");
  PrepareInventoryDatabase(folder_.Folder(), connection_, command_);
  EXPECT_THAT(executed_, ::testing::IsEmpty());
  Query query("ADOQuery", connection_);
  query.SetText(u"SELECT HOST FROM USERS");
  EXPECT_THAT([&] { query.Open(); }, ::testing::ThrowsMessage<common::Error>(
                                         ::testing::StrEq("ADOQuery: Cannot open file \"" + folder_.Path() +
                                                          "users.dbf\". Too many levels of symbolic links")));
  EXPECT_TRUE(std::filesystem::is_symlink(folder_.path() / "users.dbf"));
  EXPECT_EQ(testing::ReadBytes(outside.path() / "empty"), "");
}
#endif

TEST_F(FirstActivationTest, FolderNamedUsersDbfCountsAsAbsent) {
  std::filesystem::create_directory(folder_.path() / "users.dbf");
  EXPECT_FALSE(TableExists(testing_support::SystemFiles(), folder_.Folder(), u"users.dbf"));
  // The create statement runs and fails: the name is taken by the folder.
  EXPECT_THAT([&] { PrepareInventoryDatabase(folder_.Folder(), connection_, command_); },
              ::testing::ThrowsMessage<common::Error>(StartsWith("ADOCommand: Cannot create file \"")));
  EXPECT_THAT(executed_, ElementsAreArray({std::string("ADOCommand: ") + kExpectedStatements[0]}));
}

TEST_F(FirstActivationTest, UnreachableFolderFailsAtTheCreateStatement) {
  common::Text missing = folder_.Folder() + u"DB/";
  EXPECT_THAT([&] { PrepareInventoryDatabase(missing, connection_, command_); },
              ::testing::ThrowsMessage<common::Error>(StartsWith("ADOConnection: Cannot open the database folder")));
  EXPECT_EQ(connection_.ConnectionString(), kConnectionStringPrefix + missing);
}

TEST_F(FirstActivationTest, TableExistsOnlyForFiles) {
  EXPECT_FALSE(TableExists(testing_support::SystemFiles(), folder_.Folder(), u"mexport.dbf"));
  testing_support::WriteFile(folder_.path() / "Mexport.Dbf", "");  // a creation cut short is no table
  EXPECT_FALSE(TableExists(testing_support::SystemFiles(), folder_.Folder(), u"mexport.dbf"));
  testing_support::WriteFile(folder_.path() / "Mexport.Dbf", "x");
  EXPECT_TRUE(TableExists(testing_support::SystemFiles(), folder_.Folder(), u"mexport.dbf"));
  EXPECT_FALSE(TableExists(testing_support::SystemFiles(), folder_.Folder() + u"nowhere/", u"mexport.dbf"));
}

}  // namespace
}  // namespace store
