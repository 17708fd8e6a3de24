// The whole refresh run as the window and the unattended program run it, over a real folder and a
// real database, read back through a fresh connection.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/inventory.h"
#include "common/error.h"
#include "directory/mail_directory.h"
#include "platform/folder_lock.h"
#include "store/query.h"
#include "tests/support/dbf_files.h"
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
using ::testing::UnorderedElementsAre;

class RefreshEndToEndTest : public ::testing::Test {
 protected:
  RefreshEndToEndTest() {
    share_.MakeFolder("DB");
    folder_ = common::PathToText(share_.Path());
  }

  // HOST, FIO, EMAIL and TEL2 of every row of USERS, read through a connection of its own.
  std::vector<std::string> Rows() {
    return ReadRows(folder_ + u"DB/", u"SELECT HOST, FIO, EMAIL, TEL2 FROM USERS", {"HOST", "FIO", "EMAIL", "TEL2"});
  }

  // An inventory over the share, with the settings and the mail directory the test states.
  Inventory MakeInventory() {
    return Inventory(testing_support::SystemFiles(), testing_support::TestClock(), mail_, log_,
                     testing_support::TestSettings(folder_));
  }

  TempFolder share_;
  common::Text folder_;
  // The organisation's directory: one address-list entry and one contact.
  directory::DirectoryFiles mail_ = testing_support::IvanovDirectory(share_);
  testing_support::RecordingLog log_;
};

TEST_F(RefreshEndToEndTest, ImportsFilesAndCompletesRowsFromTheDirectory) {
  share_.Write("pc-1.txt",
               "pc-1\r\nuser1\r\n10.0.0.1\r\n\xC8\xE2\xE0\xED\xEE\xE2 \xC8\xE2\xE0\xED\r\n1\r\n2\r\n3\r\n4\r\n");
  share_.Write("PC-2.nfo", "100\r\nT\r\n64\r\nC\r\n10\r\nOS\r\n1\r\n\r\n2\r\n3\r\nBIOS\r\nu2\r\n10.0.0.2\r\n");
  Inventory inventory = MakeInventory();
  inventory.FormActivate();
  inventory.Refresh();

  EXPECT_THAT(log_.lines, ElementsAre(folder_ + u"pc-1.txt", u"PC-2"));
  EXPECT_THAT(Rows(),
              UnorderedElementsAre("PC-1|ИВАНОВ ИВАН|ivanov@eflab.example|21-45", "PC-2|АНКЕТА НЕ ЗАПОЛНЕНА||"));
  EXPECT_FALSE(inventory.ADOConnection.Connected()) << "the run closes the connection at its end";
}

TEST_F(RefreshEndToEndTest, RunAfterAnActivationRefusedByABusyFolderWorks) {
  Inventory earlier = MakeInventory();
  earlier.FormActivate();  // USERS from an earlier start
  earlier.CloseConnectionIfConnected();
  share_.Write("PC-1.txt", "PC-1\nu\n\nName\n\n\n\n\n");
  Inventory inventory = MakeInventory();
  {
    // The unattended run holds the folder while the window is activated for the first time.
    const common::Text database = folder_ + u"DB" + testing_support::kSeparator;
    platform::FolderLock unattended(testing_support::SystemFiles(), database);
    EXPECT_THAT([&] { inventory.FormActivate(); },
                ::testing::ThrowsMessage<common::Error>(::testing::StrEq(
                    "The database folder \"" + common::ToUtf8(database) + "\" is in use by another refresh run")));
  }
  inventory.Refresh();
  EXPECT_THAT(Rows(), ElementsAre("PC-1|||"));
}

TEST_F(RefreshEndToEndTest, SecondRunKeepsOneRowPerHostAndLogsOnlyTheSurveyFile) {
  share_.Write("PC-1.txt", "PC-1\nu\n\nName\n\n\n\n\n");
  share_.Write("PC-1.nfo", "1\n\n2\n\n3\n\n\n\n\n\n\n");
  Inventory inventory = MakeInventory();
  inventory.FormActivate();
  inventory.Refresh();
  inventory.Refresh();

  // The info file belongs to a host the survey import has just written: it adds nothing.
  EXPECT_THAT(log_.lines, ElementsAre(folder_ + u"PC-1.txt", folder_ + u"PC-1.txt"));
  EXPECT_EQ(Rows().size(), 1u);
}

TEST_F(RefreshEndToEndTest, AFailingFileStopsTheRunAndKeepsWhatWasWritten) {
  share_.Write("A.nfo", "1\n\n2\n\n3\n\n\n\n\n\n\nu\n1.2.3.4\n");
  Inventory inventory = MakeInventory();
  inventory.FormActivate();
  inventory.Refresh();
  share_.Write("B.nfo", "2.4GHz\n\n2\n\n3\n\n\n\n\n\n\nu\n1.2.3.4\n");
  common::Text message;
  try {
    inventory.Refresh();
  } catch (const common::Error& error) {
    message = error.message();
  }
  EXPECT_EQ(message, u"ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number");
  EXPECT_THAT(Rows(), ElementsAre("A|АНКЕТА НЕ ЗАПОЛНЕНА||"));
  EXPECT_TRUE(inventory.ADOConnection.Connected()) << "a failed run leaves the connection open";
}

// Some xBase writers pad character fields with NUL bytes instead of blanks: their rows are the same
// host and the same person as rows padded with blanks.
TEST_F(RefreshEndToEndTest, RowsPaddedWithNulBytesMatchByHostAndName) {
  std::vector<store::testing::FieldSpec> fields;
  for (const std::string& column : UsersColumns()) {
    bool number = column == "SPEED" || column == "RAM" || column == "HDD";
    fields.push_back({column, number ? 'N' : 'C', number ? 11 : column == "PRINTER" ? 192 : 70});
  }
  auto row = [&](const std::string& host, const std::string& fio) {
    std::vector<std::string> values;
    for (const store::testing::FieldSpec& field : fields) {
      values.push_back(field.name == "HOST" ? host : field.name == "FIO" ? fio : "");
      values.back().resize(static_cast<size_t>(field.width), field.type == 'N' ? ' ' : '\0');
    }
    return values;
  };
  const std::string ivanov = "\xC8\xC2\xC0\xCD\xCE\xC2 \xC8\xC2\xC0\xCD";  // ИВАНОВ ИВАН in windows-1251
  share_.Write("DB/users.dbf",
               store::testing::MakeDbf(fields, {row("PC-1", "OLD"), row("PC-2", ivanov), row("PC-3", "")}));
  share_.Write("PC-1.txt", "PC-1\nu\n\nName\n\n\n\n\n");
  share_.Write("PC-3.nfo", "1\n\n2\n\n3\n\n\n\n\n\n\n");
  Inventory inventory = MakeInventory();
  inventory.FormActivate();
  inventory.Refresh();

  EXPECT_THAT(Rows(), UnorderedElementsAre("PC-1|||", "PC-2|ИВАНОВ ИВАН|ivanov@eflab.example|21-45", "PC-3|||"));
}

}  // namespace
}  // namespace app
