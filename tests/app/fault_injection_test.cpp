// A whole refresh run over a small share, with each call of each kind (write, create, read, sync,
// lock) failing in turn as a full disk, an I/O error or a refusal would make it fail. Every time the
// run stops with the system's reason, the tables still open in the engine (and in dbfread), no row
// that was good before is damaged, and the next run without the fault leaves the same tables as a
// run that was never interrupted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/inventory.h"
#include "common/error.h"
#include "directory/mail_directory.h"
#include "platform/system_error.h"
#include "tests/support/temp_folder.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/test_settings.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/recording_log.h"

using testing_support::TempFolder;

namespace app {
namespace {

using testing_support::FaultCode;
using testing_support::FaultFileSystem;
using testing_support::FaultPoint;

// Every table the run writes, each with the columns read back.
const std::map<std::string, std::vector<std::string>>& Tables() {
  static const std::map<std::string, std::vector<std::string>> tables = {
      {"USERS", UsersColumns()}, {"MEXPORT", {"FIO", "EMAIL"}}, {"TEXPORT", {"FIO", "TEL"}}};
  return tables;
}

using Contents = std::map<std::string, std::vector<std::string>>;

// The rows of every table there is. An export table may be missing: the run drops it before it
// creates it again.
Contents ReadTables(const std::string& database) {
  Contents contents;
  for (const auto& [table, columns] : Tables()) {
    std::string file = table;
    for (char& c : file) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (table == "USERS" || std::filesystem::exists(std::filesystem::path(database) / (file + ".dbf"))) {
      contents[table] = TableRows(database, table, columns);
    }
  }
  return contents;
}

std::string HostOf(const std::string& row) { return row.substr(0, row.find('|')); }

// A USERS row as the run leaves it at each step: as imported (no EMAIL, no TEL2), then with either or
// both merged in.
std::vector<std::string> MergeSteps(const std::string& row) {
  std::vector<std::string> fields;
  for (size_t start = 0, end;; start = end + 1) {
    end = row.find('|', start);
    fields.push_back(row.substr(start, end - start));
    if (end == std::string::npos) break;
  }
  std::vector<std::string> steps;
  for (int blank = 0; blank < 4; ++blank) {
    std::vector<std::string> step = fields;
    if (blank & 1) step[8].clear();  // EMAIL
    if (blank & 2) step[9].clear();  // TEL2
    std::string joined;
    for (size_t i = 0; i < step.size(); ++i) joined += (i ? "|" : "") + step[i];
    steps.push_back(joined);
  }
  return steps;
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    share_.Write("gal.ldif", "dn: cn=a\ndisplayName: Иванов Иван\nlegacyExchangeDN: /o=E/cn=ivanov\n\n"
                                 "dn: cn=b\ndisplayName: Петров Пётр\nmail: petrov@example.org\n");
    share_.Write("contacts.vcf",
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Иванов;Иван;;;\r\nTEL;TYPE=WORK:21-45\r\nEND:VCARD\r\n"
                     "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Сидоров;Сидор;;;\r\nTEL;TYPE=WORK:33-00\r\nEND:VCARD\r\n");
    share_.Write("PC-1.txt", Survey("PC-1", "Иванов Иван"));
    share_.Write("PC-1.nfo", Info("CPU-1"));
    share_.Write("PC-2.txt", Survey("PC-2", "Петров Пётр"));
    share_.Write("PC-3.nfo", Info("CPU-3"));
    // The database a first run left; then the share changes: a host's survey and info file (so that
    // its new row differs from the old one in both halves), a new host, a new info-only host.
    ASSERT_EQ(Run(testing_support::SystemFiles(), before_.Path()), u"");
    before_rows_ = ReadTables(before_.Path());
    share_.Write("PC-1.txt", Survey("PC-1", "Сидоров Сидор"));
    share_.Write("PC-1.nfo", Info("CPU-1 NEW"));
    share_.Write("PC-4.txt", Survey("PC-4", "Иванов Иван"));
    share_.Write("PC-5.nfo", Info("CPU-5"));
  }

  // UTF-8 with its mark.
  static std::string Survey(const std::string& host, const std::string& fio) {
    return "\xEF\xBB\xBF" + host + "\r\nuser\r\n10.0.0.1\r\n" + fio + "\r\n1-11\r\nB\r\n2\r\n214\r\n";
  }
  static std::string Info(const std::string& cpu) {
    return "2400\r\nx86\r\n1024\r\n" + cpu + "\r\n80000\r\nXP\r\n5.1\r\n\r\n2600\r\nSP3\r\nBIOS\r\nu\r\n10.0.0.5\r\nHP\r\n";
  }

  // First activation and one refresh run on `database` through `files`: the failure's text, or
  // nothing.
  common::Text Run(platform::FileSystem& files, const std::string& database) {
    const common::Text share = common::PathToText(share_.Path());
    directory::DirectoryFiles mail(files, share + u"gal.ldif", share + u"contacts.vcf", "windows-1251");
    testing_support::RecordingLog log;
    Inventory inventory(files, testing_support::TestClock(), mail, log,
                        testing_support::TestSettings(share, common::PathToText(database)));
    try {
      inventory.FormActivate();
      inventory.Refresh();
    } catch (const common::Error& error) {
      return error.message();
    }
    return {};
  }

  // A copy of the database the first run left.
  void CopyBefore(const TempFolder& to) const {
    for (const auto& entry : std::filesystem::directory_iterator(before_.path())) {
      std::filesystem::copy_file(entry.path(), to.path() / entry.path().filename());
    }
  }

  TempFolder share_;
  TempFolder before_;
  Contents before_rows_;
};

TEST_F(FaultInjectionTest, EveryFailingCallStopsTheRunAndTheNextRunCompletesIt) {
  Contents expected;
  std::map<FaultPoint, int> calls;
  {
    TempFolder database;
    CopyBefore(database);
    FaultFileSystem counting(testing_support::SystemFiles());
    ASSERT_EQ(Run(counting, database.Path()), u"");
    expected = ReadTables(database.Path());
    for (FaultPoint point : {FaultPoint::kWrite, FaultPoint::kCreate, FaultPoint::kRead, FaultPoint::kSync,
                             FaultPoint::kLock}) {
      calls[point] = counting.Calls(point);
    }
  }
  ASSERT_GE(calls[FaultPoint::kWrite], 20);
  ASSERT_GE(calls[FaultPoint::kCreate], 2);
  ASSERT_GE(calls[FaultPoint::kLock], 2);

  const FaultCode codes[] = {FaultCode::kDiskFull, FaultCode::kIoError, FaultCode::kAccessDenied};
  int cases = 0;
  for (const auto& [point, count] : calls) {
    for (int nth = 1; nth <= count; ++nth) {
      FaultCode code = codes[cases++ % 3];
      SCOPED_TRACE("point " + std::to_string(static_cast<int>(point)) + ", call " + std::to_string(nth));
      TempFolder database;
      CopyBefore(database);
      FaultFileSystem faults(testing_support::SystemFiles());
      faults.FailNth(point, nth, code);
      common::Text message = Run(faults, database.Path());
      if (!faults.Failed()) continue;  // a call the run made only without faults (a listing's retry)
      // The run stops with the file and the system's reason in its message.
      EXPECT_THAT(common::ToUtf8(message),
                  ::testing::HasSubstr("\". " + common::ToUtf8(platform::SystemErrorText(SystemCode(code)))));

      // Every table opens; every row is whole, as it was before the run or as the run makes it, one
      // per host; at most the host whose statements were under way has lost its row.
      Contents now;
      ASSERT_NO_THROW(now = ReadTables(database.Path()));
      std::set<std::string> good(before_rows_["USERS"].begin(), before_rows_["USERS"].end());
      for (const std::string& row : expected["USERS"]) {
        for (const std::string& step : MergeSteps(row)) good.insert(step);
      }
      std::set<std::string> hosts;
      for (const std::string& row : now["USERS"]) {
        EXPECT_TRUE(good.contains(row)) << row;
        EXPECT_TRUE(hosts.insert(HostOf(row)).second) << row;
      }
      int lost = 0;
      for (const std::string& row : before_rows_["USERS"]) lost += hosts.contains(HostOf(row)) ? 0 : 1;
      EXPECT_LE(lost, 1);
      for (const char* table : {"MEXPORT", "TEXPORT"}) {
        for (const std::string& row : now[table]) {
          EXPECT_TRUE(std::find(expected[table].begin(), expected[table].end(), row) != expected[table].end())
              << table << ": " << row;
        }
      }
#ifndef _WIN32
      if (point == FaultPoint::kWrite && DbfreadAvailable()) {
        std::vector<std::string> ours = TableRows(database.Path(), "USERS", {"HOST", "USER"});
        EXPECT_EQ(DbfreadRows(database.path() / "users.dbf"), ours);
      }
#endif
      // The same share again, without the fault.
      ASSERT_EQ(Run(testing_support::SystemFiles(), database.Path()), u"");
      EXPECT_EQ(ReadTables(database.Path()), expected);
    }
  }
  EXPECT_GT(cases, 60);
}

}  // namespace
}  // namespace app
