// A whole refresh run over a small share, into an empty database folder and into the database an
// earlier run left, with each call of each kind (open, look, read, write, create, sync, lock) failing
// in turn as a full disk, an I/O error or a refusal would make it fail (a failing write writes half its
// bytes first), with the power cut at each call that changes the disk (what was not synced is then
// lost), and with the process dying at each write, half of it written (nothing after it runs, not even
// the retry a failure makes at the run's end, so what each commit's order leaves is what is read). The
// log commits before each line it shows. Every time the run stops with the system's reason,
// the tables still open in the engine (and in dbfread), no row that was good before is damaged or
// lost but one under way, every file logged before the last line shown has its row, and the next run
// without the fault leaves the same tables as a run that was never interrupted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/inventory.h"
#include "app/run_controller.h"
#include "common/error.h"
#include "directory/mail_directory.h"
#include "platform/system_error.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/recording_log.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_settings.h"
#include "tests/support/workstation_files.h"

using testing_support::TempFolder;

namespace app {
namespace {

using testing_support::FaultCode;
using testing_support::FaultFileSystem;
using testing_support::FaultPoint;
using testing_support::InfoFile;
using testing_support::SurveyFile;

std::string HostOf(const std::string& row) { return row.substr(0, row.find('|')); }

// A USERS row as the run leaves it at each step: as imported (no EMAIL, no TEL2, columns 8 and 9 from
// 0), then with either or both merged in.
std::vector<std::string> MergeSteps(const std::string& row) {
  std::vector<size_t> bars;
  for (size_t at = row.find('|'); at != std::string::npos; at = row.find('|', at + 1)) bars.push_back(at);
  auto blank = [&](std::string step, size_t column) {
    return step.erase(bars[column - 1] + 1, bars[column] - bars[column - 1] - 1);
  };
  const std::string no_tel2 = blank(row, 9);
  return {row, blank(row, 8), no_tel2, blank(no_tel2, 8)};
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    share_.Write("gal.ldif",
                 "dn: cn=a\ndisplayName: Иванов Иван\nlegacyExchangeDN: /o=E/cn=ivanov\n\n"
                 "dn: cn=b\ndisplayName: Петров Пётр\nmail: petrov@example.org\n");
    share_.Write("contacts.vcf",
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Иванов;Иван;;;\r\nTEL;TYPE=WORK:21-45\r\nEND:VCARD\r\n"
                 "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Сидоров;Сидор;;;\r\nTEL;TYPE=WORK:33-00\r\nEND:VCARD\r\n");
    share_.Write("PC-1.txt", SurveyFile("PC-1", "Иванов Иван"));
    share_.Write("PC-1.nfo", InfoFile());
    share_.Write("PC-2.txt", SurveyFile("PC-2", "Петров Пётр"));
    share_.Write("PC-3.nfo", InfoFile());
    // The database a first run left; then the share changes: a host's survey and info file (so that
    // its new row differs from the old one in both halves, to the last field), a new host, a new
    // info-only host.
    ASSERT_EQ(Run(testing_support::SystemFiles(), before_.Path()), u"");
    before_rows_ = ReadDatabase(before_.Path());
    share_.Write("PC-1.txt", SurveyFile("PC-1", "Сидоров Сидор"));
    // Its printer is the last field: a record half written shows in it.
    std::string info = InfoFile("1800");
    share_.Write("PC-1.nfo", info.replace(info.rfind("HP"), 2, "Kyocera"));
    share_.Write("PC-4.txt", SurveyFile("PC-4", "Иванов Иван"));
    share_.Write("PC-5.nfo", InfoFile());
  }

  // First activation and one refresh run on `database` through `files`, each log line shown at once
  // (after a commit) into `shown`: the failure's text, or nothing.
  common::Text Run(platform::FileSystem& files, const std::string& database,
                   testing_support::RecordingLog* shown = nullptr) {
    const common::Text share = common::PathToText(share_.Path());
    directory::DirectoryFiles mail(files, share + u"gal.ldif", share + u"contacts.vcf", "windows-1251");
    testing_support::RecordingLog log;
    BatchedLog batched([&](const std::vector<common::Text>& lines) { (shown ? *shown : log).LogLines(lines); },
                       BatchedLog::Clock::duration::zero());
    Inventory inventory(files, testing_support::TestClock(), mail, batched,
                        testing_support::TestSettings(share, common::PathToText(database)));
    batched.SetBeforeShow([&] { inventory.Commit(); });
    try {
      inventory.FormActivate();
      inventory.Refresh();
    } catch (const common::Error& error) {
      return error.message();
    }
    return {};
  }

  // A copy of the database the first run left.
  // File by file: copying a folder into one that exists fails with MinGW's library.
  void CopyBefore(const TempFolder& to) const {
    for (const auto& entry : std::filesystem::directory_iterator(before_.path())) {
      std::filesystem::copy_file(entry.path(), to.path() / entry.path().filename());
    }
  }

  void Check(bool fresh);

  TempFolder share_;
  TempFolder before_;
  DatabaseRows before_rows_;
};

TEST_F(FaultInjectionTest, EveryFailingCallAndEveryPowerCutStopsTheRunAndTheNextRunCompletesIt) {
  for (bool fresh : {false, true}) Check(fresh);
}

void FaultInjectionTest::Check(bool fresh) {
  SCOPED_TRACE(fresh ? "into an empty database folder" : "into an earlier run's database");
  if (fresh) before_rows_.clear();
  DatabaseRows expected;
  std::map<FaultPoint, int> calls;
  {
    TempFolder database;
    if (!fresh) CopyBefore(database);
    FaultFileSystem counting(testing_support::SystemFiles());
    ASSERT_EQ(Run(counting, database.Path()), u"");
    expected = ReadDatabase(database.Path());
    for (FaultPoint point : testing_support::kFaultPoints) calls[point] = counting.Calls(point);
  }
  ASSERT_GE(calls[FaultPoint::kWrite], 20);
  ASSERT_GE(calls[FaultPoint::kCreate], 2);
  ASSERT_GE(calls[FaultPoint::kLock], 2);
  ASSERT_GE(calls[FaultPoint::kOpen], 2);
  ASSERT_GE(calls[FaultPoint::kLook], 2);

  const FaultCode codes[] = {FaultCode::kDiskFull, FaultCode::kIoError, FaultCode::kAccessDenied};
  int cases = 0;
  for (const auto& [point, count] : calls) {
    for (int nth = 1; nth <= count; ++nth) {
      // The call fails; or the power goes; or the process dies (at a write: half of it written).
      for (const char* how : {"fails", "power cut", "killed"}) {
        const bool power_cut = how == std::string("power cut"), killed = how == std::string("killed");
        // The power can go at any call that changes the disk.
        bool changes_disk = point == FaultPoint::kWrite || point == FaultPoint::kCreate || point == FaultPoint::kSync;
        if ((power_cut && !changes_disk) || (killed && point != FaultPoint::kWrite)) continue;
        FaultCode code = power_cut || killed ? FaultCode::kIoError : codes[cases % 3];
        ++cases;
        SCOPED_TRACE("point " + std::to_string(static_cast<int>(point)) + ", call " + std::to_string(nth) + ", " + how);
        TempFolder database;
        if (!fresh) CopyBefore(database);
        common::Text message;
        testing_support::RecordingLog shown;
        {
          FaultFileSystem faults(testing_support::SystemFiles());
          if (power_cut) {
            faults.CutPowerAtNth(point, nth);
          } else if (killed) {
            faults.CrashAtNth(point, nth);
          } else {
            faults.FailNth(point, nth, code);
          }
          message = Run(faults, database.Path(), &shown);
          if (!faults.Failed()) continue;  // a call the run made only without faults (a listing's retry)
          if (power_cut) faults.PutBackSynced();
        }
        // The run stops with the file and the system's reason in its message. To three callers a folder
        // that cannot be opened is an answer: the survey folder lists nothing and the folder lock is
        // not taken (the run goes on), the table probe finds no table (the CREATE after it finds one).
        bool answered = point == FaultPoint::kOpen && (message.empty() || message.ends_with(u" already exists"));
        if (!answered) {
          EXPECT_THAT(common::ToUtf8(message),
                      ::testing::HasSubstr("\". " + common::ToUtf8(platform::SystemErrorText(SystemCode(code)))));
        }

        // Every table opens; every row is whole, as it was before the run or as the run makes it, one
        // per host; at most the host whose statements were under way has lost its row.
        if (!std::filesystem::exists(database.path() / "users.dbf")) {
          // Only a first activation cut short leaves no USERS; the next run makes it.
          EXPECT_TRUE(fresh && shown.lines.empty());
          ASSERT_EQ(Run(testing_support::SystemFiles(), database.Path()), u"");
          EXPECT_EQ(ReadDatabase(database.Path()), expected);
          continue;
        }
        DatabaseRows now;
        ASSERT_NO_THROW(now = ReadDatabase(database.Path()));
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
        // Each line but the last shows a file whose row was committed: a survey file's path or an
        // info-only host.
        if (!shown.lines.empty()) shown.lines.pop_back();
        for (const common::Text& line : shown.lines) {
          std::string host = common::ToUtf8(platform::SplitFolder(line).name);
          if (host.ends_with(".txt")) host.resize(host.size() - 4);
          EXPECT_TRUE(hosts.contains(host)) << common::ToUtf8(line) << " has no row";
        }
        for (const char* table : {"MEXPORT", "TEXPORT"}) {
          for (const std::string& row : now[table]) {
            EXPECT_TRUE(std::find(expected[table].begin(), expected[table].end(), row) != expected[table].end())
                << table << ": " << row;
          }
        }
#ifndef _WIN32
        if ((point == FaultPoint::kWrite || power_cut) && DbfreadAvailable()) {
          std::vector<std::string> ours = TableRows(database.Path(), "USERS", {"HOST", "USER"});
          EXPECT_EQ(DbfreadRows(database.path() / "users.dbf"), ours);
        }
#endif
        // The same share again, without the fault.
        ASSERT_EQ(Run(testing_support::SystemFiles(), database.Path()), u"");
        EXPECT_EQ(ReadDatabase(database.Path()), expected);
      }
    }
  }
  EXPECT_GT(cases, 60);
}

}  // namespace
}  // namespace app
