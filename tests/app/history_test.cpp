// The change history a refresh run records in HISTORY, over a real folder and database, read back
// through a connection of its own.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/inventory.h"
#include "directory/mail_directory.h"
#include "store/statements.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/recording_log.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_settings.h"

namespace app {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr char kBom[] = "\xEF\xBB\xBF";

// 14:30:15 on a day of 2026; 5 March unless told.
common::LocalTime RunTime(int month = 3, int day = 5) { return {{2026, month, day}, 14, 30, 15}; }

class HistoryTest : public ::testing::Test {
 protected:
  HistoryTest() {
    share_.MakeFolder("DB");
    folder_ = share_.Folder();
    db_ = folder_ + u"DB" + testing_support::kSeparator;
    settings_ = testing_support::TestSettings(folder_, db_);
  }

  void Survey(const std::string& host, const std::string& fio, const std::string& room) {
    share_.Write(host + ".txt", kBom + host + "\nu\n10.0.0.1\n" + fio + "\n12-34\nA\n1\n" + room + "\n");
  }
  void Info(const std::string& host, const std::string& ram) {
    share_.Write(host + ".nfo", "2400\nT\n" + ram + "\nCPU\n80\nOS\n5.1\n\n2600\nX\nBIOS\nu\n\nP\n");
  }

  // One run of a fresh inventory, as each start of a program makes one; false when it failed.
  bool Run() {
    Inventory inventory = MakeInventory();
    inventory.FormActivate();
    try {
      inventory.Refresh();
    } catch (const common::Error&) {
      return false;
    }
    return true;
  }

  std::vector<std::string> History() {
    if (!std::filesystem::exists(HistoryFile())) return {};
    return TableRows(db_, "HISTORY", {"HOST", "CHG_DATE", "CHG_TIME", "FIELD", "OLD_VALUE", "NEW_VALUE"});
  }

  Inventory MakeInventory() { return Inventory(testing_support::SystemFiles(), clock_, mail_, log_, settings_); }

  std::filesystem::path HistoryFile() const { return share_.Native("DB/history.dbf"); }

  testing_support::TempFolder share_;
  common::Text folder_, db_;
  testing_support::FixedClock clock_{RunTime()};
  Settings settings_;
  // The directory knows Иванов Иван: his address and telephone reach USERS in every run.
  directory::DirectoryFiles mail_ = testing_support::IvanovDirectory(share_);
  testing_support::RecordingLog log_;
};

TEST_F(HistoryTest, FirstRunCreatesEachHostLaterRunsRecordEachChangedColumnOnce) {
  Survey("PC-1", "Иванов Иван", "101");
  Info("PC-1", "64");
  Survey("PC-3", "Сидоров", "7");
  Info("PC-3", "512");
  Info("PC-2", "32");  // a host without a survey file
  ASSERT_TRUE(Run());
  const std::vector<std::string> created = {
      "PC-1|20260305|14:30:15|*CREATED*||ИВАНОВ ИВАН",
      "PC-2|20260305|14:30:15|*CREATED*||АНКЕТА НЕ ЗАПОЛНЕНА",
      "PC-3|20260305|14:30:15|*CREATED*||СИДОРОВ",
  };
  EXPECT_EQ(History(), created);

  // Another person with more memory in another room; PC-3's info file is gone; PC-2 stays as it was.
  Survey("PC-1", "Петров Петр", "202");
  Info("PC-1", "128");
  std::filesystem::remove(share_.Native("PC-3.nfo"));
  ASSERT_TRUE(Run());
  std::vector<std::string> expected = created;
  for (const char* row : {
           "PC-1|20260305|14:30:15|EMAIL|ivanov@eflab.example|",
           "PC-1|20260305|14:30:15|FIO|ИВАНОВ ИВАН|ПЕТРОВ ПЕТР",
           "PC-1|20260305|14:30:15|KAB|101|202",
           "PC-1|20260305|14:30:15|RAM|64|128",
           "PC-1|20260305|14:30:15|TEL2|21-45|",
           "PC-3|20260305|14:30:15|BIOS|BIOS|",
           "PC-3|20260305|14:30:15|CPU|CPU|",
           "PC-3|20260305|14:30:15|HDD|80|0",
           "PC-3|20260305|14:30:15|OS|OS|",
           "PC-3|20260305|14:30:15|OSVER|5.1|",
           "PC-3|20260305|14:30:15|PRINTER|P|",
           "PC-3|20260305|14:30:15|RAM|512|0",
           "PC-3|20260305|14:30:15|SPEED|2400|0",
       }) {
    expected.push_back(row);
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(History(), expected);

  // Nothing changed: the table is not even written.
  const auto written = std::filesystem::last_write_time(HistoryFile());
  const auto size = std::filesystem::file_size(HistoryFile());
  ASSERT_TRUE(Run());
  EXPECT_EQ(History(), expected);
  EXPECT_EQ(std::filesystem::file_size(HistoryFile()), size);
  EXPECT_EQ(std::filesystem::last_write_time(HistoryFile()), written);
}

TEST_F(HistoryTest, RunFailingPartWayRecordsWhatItChangedBeforeTheFailure) {
  Survey("PC-1", "Иванов Иван", "101");
  ASSERT_TRUE(Run());
  Survey("PC-1", "Иванов Иван", "102");
  share_.Write("BAD.nfo", "2400\n");  // too short: fails the info-only import, after every survey file
  EXPECT_FALSE(Run());
  // The run stopped before the merge, so the row it rewrote has lost its address and telephone too.
  EXPECT_EQ(History(),
            (std::vector<std::string>{"PC-1|20260305|14:30:15|*CREATED*||ИВАНОВ ИВАН",
                                      "PC-1|20260305|14:30:15|EMAIL|ivanov@eflab.example|",
                                      "PC-1|20260305|14:30:15|KAB|101|102", "PC-1|20260305|14:30:15|TEL2|21-45|"}));
}

TEST_F(HistoryTest, SwitchedOffRecordsNothing) {
  settings_.history = false;
  Survey("PC-1", "Иванов Иван", "101");
  ASSERT_TRUE(Run());
  EXPECT_FALSE(std::filesystem::exists(HistoryFile()));
  EXPECT_THAT(History(), IsEmpty());
}

TEST_F(HistoryTest, PurgeKeepsTheNewerRowsPacksAndSaysUpToWhichDay) {
  clock_.Set(RunTime(1, 10));
  Survey("PC-1", "Иванов Иван", "101");
  Survey("PC-2", "Петров Петр", "5");
  ASSERT_TRUE(Run());
  clock_.Set(RunTime(3, 1));
  Survey("PC-1", "Иванов Иван", "102");
  ASSERT_TRUE(Run());

  clock_.Set(RunTime(3, 5));
  Inventory inventory = MakeInventory();
  EXPECT_EQ(inventory.PurgeHistory(30), 2u);  // the rows of 10 January; 3 February is the first day kept
  const std::vector<std::string> kept = {"PC-1|20260301|14:30:15|KAB|101|102", "|20260305|14:30:15|*PURGED*||20260202"};
  EXPECT_EQ(ReadRows(db_, store::kSelectHistory, {"HOST", "CHG_DATE", "CHG_TIME", "FIELD", "OLD_VALUE", "NEW_VALUE"}),
            kept);
  // Packed: the header (32 bytes, six descriptors of 32, the terminator), two records of 481 bytes, the end marker.
  EXPECT_EQ(std::filesystem::file_size(HistoryFile()), 32u + 6 * 32 + 1 + 2 * 481 + 1);
}

}  // namespace
}  // namespace app
