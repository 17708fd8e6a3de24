// A writer killed at any moment leaves tables that open cleanly and hold every change it committed;
// deleting and inserting the same rows run after run does not grow the file.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/error.h"
#include "store/command.h"
#include "store/database.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "store/statements.h"
#include "tests/support/dbf_files.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/table_rows.h"
#include "tests/support/temp_folder.h"

namespace store {
namespace {

using namespace store::testing;
using testing_support::TempFolder;

constexpr int kHosts = 300;

std::string Host(int i) { return "PC-" + std::to_string(i % kHosts); }
std::string Fio(int i) { return "ИВАНОВ " + std::to_string(i); }

// Deletes and inserts a host's row, as the survey import does.
void ReplaceHost(Command& command, const std::string& host, const std::string& fio, int speed) {
  command.SetText(kDeleteHostRows);
  command.Param("HOST").SetText(common::FromUtf8(host));
  command.Execute();
  command.SetText(kInsertUsersRow);
  command.Param("HOST").SetText(common::FromUtf8(host));
  command.Param("FIO").SetText(common::FromUtf8(fio));
  command.Param("SPEED").SetInteger(common::FromUtf8(std::to_string(speed)));
  command.Execute();
}

// HOST -> FIO of every live row, read through a fresh connection with nothing cached.
std::multimap<std::string, std::string> ReadHosts(const TempFolder& folder) {
  std::multimap<std::string, std::string> rows;
  for (const std::string& row : ReadRows(folder.Folder(), u"SELECT HOST, FIO FROM USERS", {"HOST", "FIO"})) {
    rows.emplace(row.substr(0, row.find('|')), row.substr(row.find('|') + 1));
  }
  return rows;
}

// With group commit, a writer that commits every kBatch steps and reports each commit, killed at
// any moment: every step of a reported commit is there, a host has at most one row, holding the value
// of its last reported step, of a later one, or none while a later one was being committed; the
// engine and dbfread read the same rows.
TEST(DurabilityTest, KilledWriterKeepsEveryReportedCommit) {
  constexpr int kBatch = 25;
  TempFolder folder;
  {
    Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                          "windows-1251"};
    Command command("ADOCommand", connection);
    PrepareInventoryDatabase(folder.Folder(), connection, command);
  }
  int next = 0;
  std::map<std::string, std::set<std::string>> allowed;
  for (int kill_after : {0, 1, 2, 5, 9}) {
    int reports[2];
    ASSERT_EQ(::pipe(reports), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(reports[0]);
      Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                            "windows-1251"};
      connection.SetConnectionString(kConnectionStringPrefix + folder.Folder());
      connection.SetGroupCommit(true);
      Command command("ADOCommand", connection);
      for (int i = next;; ++i) {
        ReplaceHost(command, Host(i), Fio(i), i);
        if ((i - next) % kBatch != kBatch - 1) continue;
        connection.Commit();
        if (::write(reports[1], &i, sizeof i) != sizeof i) ::_exit(1);
      }
    }
    ::close(reports[1]);
    int last = next - 1, received = 0, step;
    while (received < kill_after && ::read(reports[0], &step, sizeof step) == sizeof step) last = step, ++received;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    while (::read(reports[0], &step, sizeof step) == sizeof step) last = step;
    ::close(reports[0]);

    // What each host may hold now ("" for no row): the step committed last, and for the steps of the
    // commit that was under way also their new rows or none.
    for (int i = next; i <= last; ++i) allowed[Host(i)] = {Fio(i)};
    for (int i = last + 1; i <= last + kBatch; ++i) allowed[Host(i)].insert({"", Fio(i)});

    std::multimap<std::string, std::string> rows = ReadHosts(folder);
    for (int h = 0; h < kHosts; ++h) {
      std::string host = Host(h);
      auto [begin, end] = rows.equal_range(host);
      std::vector<std::string> found;
      for (auto it = begin; it != end; ++it) found.push_back(it->second);
      ASSERT_LE(found.size(), 1u) << host;
      std::set<std::string> expected = allowed.contains(host) ? allowed[host] : std::set<std::string>{""};
      EXPECT_TRUE(expected.contains(found.empty() ? "" : found[0]))
          << host << " holds '" << (found.empty() ? "" : found[0]) << "' after a kill after step " << last;
    }
    if (DbfreadAvailable()) {
      EXPECT_EQ(DbfreadRows(folder.path() / "users.dbf"), TableRows(folder.Folder(), "USERS", {"HOST", "USER"}))
          << "killed after " << last;
    }
    next = last + kBatch + 1;
  }
}

TEST(DurabilityTest, FiftyRunsOverTheSameHostsStayWithinTwiceTheFirstSize) {
  TempFolder folder;
  Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection", "windows-1251"};
  Command command("ADOCommand", connection);
  PrepareInventoryDatabase(folder.Folder(), connection, command);
  constexpr int kHostsPerRun = 100;
  auto run = [&](int number) {
    for (int h = 0; h < kHostsPerRun; ++h) {
      ReplaceHost(command, "WS-" + std::to_string(h), "RUN " + std::to_string(number), number);
    }
    connection.Close();
  };
  run(0);
  uintmax_t first = std::filesystem::file_size(folder.path() / "users.dbf");
  for (int number = 1; number < 50; ++number) run(number);
  EXPECT_LE(std::filesystem::file_size(folder.path() / "users.dbf"), 2 * first);
  std::multimap<std::string, std::string> rows = ReadHosts(folder);
  EXPECT_EQ(rows.size(), static_cast<size_t>(kHostsPerRun));
  EXPECT_EQ(rows.find("WS-7")->second, "RUN 49");
}

}  // namespace
}  // namespace store
