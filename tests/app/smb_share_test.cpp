// The refresh program on a real SMB share (smbd on 127.0.0.1, mounted through FUSE with smbnetfs),
// with the survey files and the database folder both on the share, as the tool is deployed. Such a
// mount cannot rename without replacing, has no hard links and keeps file locks to this machine.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "store/command.h"
#include "store/connection.h"
#include "tests/support/child_run.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/share_generator.h"
#include "tests/support/smb_share.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

using testing_support::ChildRun;
using testing_support::TempFolder;

namespace app {
namespace {

// A row no run of the tool writes, added to a table through the engine.
void AddStrayRow(const std::string& database_folder, const std::string& table, const std::string& column) {
  store::Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                               "windows-1251"};
  connection.SetConnectionString(store::kConnectionStringPrefix + common::PathToText(database_folder));
  store::Command command("ADOCommand", connection);
  command.SetText(common::FromUtf8("INSERT INTO " + table + " (FIO, " + column + ") VALUES (:FIO, :VALUE)"));
  command.Param("FIO").SetValue(u"STRAY ROW");
  command.Param("VALUE").SetValue(u"1");
  command.Execute();
}

TEST(SmbShareTest, TwoRunsOnTheShareLeaveTheTablesOfALocalDisk) {
  if (std::string missing = bench::SmbShare::Missing(); !missing.empty()) {
    GTEST_SKIP() << "No SMB share on this machine: " << missing;
  }
  bench::SmbShare share;
  const std::filesystem::path served = share.served() / "Basa";
  std::filesystem::create_directories(served / "DB");
  bench::ShareOptions options;
  options.hosts = 1000;
  options.seed = 11;
  options.lookup_per_mille = 0;  // name-service look-ups would only add waiting
  bench::WriteShare(served, options);

  TempFolder local;
  ChildRun reference(served.string() + "/", local.Path());
  ASSERT_EQ(reference.Finish(), 0) << reference.error_text();

  const std::string survey = (share.mounted() / "Basa").string() + "/";
  const std::string database = survey + "DB/";
  const auto deadline = std::chrono::minutes(4);
  ChildRun first(survey, database);
  ASSERT_EQ(first.Finish(deadline), 0) << first.error_text();
  EXPECT_EQ(first.lines().size(), reference.lines().size());

  // The second run must drop the export tables and build them again, stray rows and all gone.
  AddStrayRow(database, "MEXPORT", "EMAIL");
  AddStrayRow(database, "TEXPORT", "TEL");
  ChildRun second(survey, database);
  ASSERT_EQ(second.Finish(deadline), 0) << second.error_text();

  struct Table {
    const char* name;
    std::vector<std::string> columns;
  };
  for (const Table& table :
       {Table{"USERS", UsersColumns()}, Table{"MEXPORT", {"FIO", "EMAIL"}}, Table{"TEXPORT", {"FIO", "TEL"}}}) {
    std::vector<std::string> expected = TableRows(local.Path(), table.name, table.columns);
    EXPECT_GT(expected.size(), 500u) << table.name;
    EXPECT_EQ(TableRows(database, table.name, table.columns), expected) << table.name;
  }
}

}  // namespace
}  // namespace app
