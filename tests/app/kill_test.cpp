// The refresh program killed (SIGKILL) at many moments of its run over a generated share, into an empty
// database folder and into the database a whole run left: during the first activation, the export,
// the survey import, the info-only import and the merge. Whatever the moment, every table must open in
// our engine and in an independent reader, every row must be whole, one per host, every file logged
// before the last line shown must have its row, and the next run must end with the same USERS as a
// run that was never interrupted.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tests/support/child_run.h"
#include "tests/support/share_generator.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

using testing_support::ChildRun;
using testing_support::TempFolder;

namespace app {
namespace {

struct KillPoint {
  const char* name;
  int lines_percent;  // of the log lines of a whole run; -1: kill at once
  int delay_us;       // after those lines
};

std::ostream& operator<<(std::ostream& out, const KillPoint& point) { return out << point.name; }

// One share and one uninterrupted run of it, for every kill point; the kill comes in the first run or
// in a second one.
class KillTest : public ::testing::TestWithParam<std::tuple<KillPoint, bool>> {
 protected:
  static void SetUpTestSuite() {
    share_ = new TempFolder;
    bench::ShareOptions options;
    options.hosts = 300;
    options.seed = 7;
    options.lookup_per_mille = 0;
    bench::WriteShare(share_->Path(), options);
    reference_db_ = new TempFolder;
    ChildRun run(share_->Path(), reference_db_->Path());
    ASSERT_EQ(run.Finish(), 0) << run.error_text();
    reference_lines_[0] = run.lines().size();
    ChildRun second(share_->Path(), reference_db_->Path());
    ASSERT_EQ(second.Finish(), 0) << second.error_text();
    reference_lines_[1] = second.lines().size();
    reference_users_ = new std::vector<std::string>(TableRows(reference_db_->Path(), "USERS", UsersColumns()));
    ASSERT_GT(reference_users_->size(), 300u);
  }
  static void TearDownTestSuite() {
    delete reference_users_;
    delete reference_db_;
    delete share_;
  }

  // The reference row of each host, by HOST.
  static std::map<std::string, std::string> ReferenceByHost() {
    std::map<std::string, std::string> rows;
    for (const std::string& row : *reference_users_) rows[row.substr(0, row.find('|'))] = row;
    return rows;
  }

  static TempFolder* share_;
  static TempFolder* reference_db_;
  static size_t reference_lines_[2];  // of a first run and of a second one
  static std::vector<std::string>* reference_users_;
};

TempFolder* KillTest::share_ = nullptr;
TempFolder* KillTest::reference_db_ = nullptr;
size_t KillTest::reference_lines_[2] = {};
std::vector<std::string>* KillTest::reference_users_ = nullptr;

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  size_t start = 0;
  for (size_t end; (end = row.find('|', start)) != std::string::npos; start = end + 1) {
    cells.push_back(row.substr(start, end - start));
  }
  cells.push_back(row.substr(start));
  return cells;
}

// A USERS row as an interrupted run may leave it: every cell as the whole run wrote it, except that
// the merge may not have reached EMAIL (cell 8) or TEL2 (cell 9) yet.
bool WholeOrNotYetMerged(const std::string& row, const std::string& reference) {
  std::vector<std::string> cells = Cells(row);
  std::vector<std::string> expected = Cells(reference);
  if (cells.size() != expected.size()) return false;
  for (size_t i = 0; i < cells.size(); ++i) {
    bool mergeable = i == 8 || i == 9;
    if (cells[i] != expected[i] && !(mergeable && cells[i].empty())) return false;
  }
  return true;
}

// The host a log line names: a survey file's path (<host>.txt, the host in any case) or an info-only
// host.
std::string HostOfLine(const std::string& line) {
  std::string host = std::filesystem::path(line).filename().string();
  if (host.size() > 4 && host.ends_with(".txt")) host.resize(host.size() - 4);
  for (char& c : host) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return host;
}

TEST_P(KillTest, LeavesWholeRowsAndTheNextRunFinishesTheJob) {
  const auto& [point, second_run] = GetParam();
  TempFolder database;
  if (second_run) {
    for (const auto& entry : std::filesystem::directory_iterator(reference_db_->path())) {
      std::filesystem::copy_file(entry.path(), database.path() / entry.path().filename());
    }
  }
  std::vector<std::string> logged;
  {
    ChildRun run(share_->Path(), database.Path());
    if (point.lines_percent >= 0) {
      size_t lines = reference_lines_[second_run] * static_cast<size_t>(point.lines_percent) / 100;
      ASSERT_TRUE(run.WaitForLines(lines)) << "the run did not reach line " << lines;
      std::this_thread::sleep_for(std::chrono::microseconds(point.delay_us));
    }
    run.Kill();
    run.Finish();
    logged = run.lines();
  }

  // Every table there opens in our engine, and every USERS row is one the whole run wrote too, cell
  // for cell (EMAIL and TEL2 possibly not merged yet), once per host.
  std::map<std::string, std::string> reference = ReferenceByHost();
  std::vector<std::string> tables;
  for (const auto& entry : std::filesystem::directory_iterator(database.Path())) {
    if (entry.path().extension() == ".dbf") tables.push_back(entry.path().stem().string());
  }
  if (std::find(tables.begin(), tables.end(), "users") != tables.end()) {
    std::vector<std::string> rows;
    ASSERT_NO_THROW(rows = TableRows(database.Path(), "USERS", UsersColumns()));
    std::map<std::string, int> hosts;
    for (const std::string& row : rows) {
      std::string host = row.substr(0, row.find('|'));
      ASSERT_TRUE(reference.contains(host)) << "a row no whole run writes: " << row;
      EXPECT_TRUE(WholeOrNotYetMerged(row, reference[host]))
          << "a row half written:\n  " << row << "\nwhole:\n  " << reference[host];
      EXPECT_EQ(++hosts[host], 1) << "host " << host << " has two rows";
    }
    // A line shows once what came before it is in the tables; the file of the last one was under way.
    if (!logged.empty()) logged.pop_back();
    for (const std::string& line : logged) EXPECT_TRUE(hosts.contains(HostOfLine(line))) << line << " has no row";
    if (DbfreadAvailable()) {
      std::vector<std::string> ours = TableRows(database.Path(), "USERS", {"HOST", "USER"});
      EXPECT_EQ(DbfreadRows(std::filesystem::path(database.Path()) / "users.dbf"), ours);
    }
  }
  for (auto [table, file, second] :
       {std::tuple{"MEXPORT", "mexport", "EMAIL"}, std::tuple{"TEXPORT", "texport", "TEL"}}) {
    if (std::find(tables.begin(), tables.end(), file) == tables.end()) continue;
    std::vector<std::string> ours;
    ASSERT_NO_THROW(ours = TableRows(database.Path(), table, {"FIO", second}));
    if (DbfreadAvailable()) {
      EXPECT_EQ(DbfreadRows(std::filesystem::path(database.Path()) / (std::string(file) + ".dbf")), ours);
    }
  }

  ChildRun again(share_->Path(), database.Path());
  ASSERT_EQ(again.Finish(), 0) << again.error_text();
  EXPECT_EQ(TableRows(database.Path(), "USERS", UsersColumns()), *reference_users_);
}

INSTANTIATE_TEST_SUITE_P(
    Moments, KillTest,
    ::testing::Combine(::testing::Values(KillPoint{"AtOnce", -1, 0}, KillPoint{"DuringActivationOrExport", 0, 2000},
                                         KillPoint{"AtTheFirstSurveyFile", 0, 20000},
                                         KillPoint{"AfterAFewSurveyFiles", 2, 0},
                                         KillPoint{"EarlySurveyImport", 10, 300}, KillPoint{"QuarterWay", 25, 0},
                                         KillPoint{"HalfWay", 50, 100}, KillPoint{"LateSurveyImport", 80, 0},
                                         KillPoint{"AroundTheLastSurveyFile", 90, 500},
                                         KillPoint{"InfoOnlyImport", 95, 0}, KillPoint{"LastInfoOnlyHost", 100, 0},
                                         KillPoint{"JustAfterTheImports", 100, 200},
                                         KillPoint{"DuringTheMerge", 100, 2000}, KillPoint{"LateMerge", 100, 8000}),
                       ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<KillPoint, bool>>& info) {
      return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "InASecondRun" : "InAFirstRun");
    });

}  // namespace
}  // namespace app
