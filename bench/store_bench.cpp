// The engine at scale: a USERS table of 10,000 and 100,000 rows, written the way the refresh run
// writes it. Rows per second should stay flat from 10,000 to 100,000 rows: look-ups go through the
// engine's hash indexes and deleted records are reused, so no statement scans the table.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "store/command.h"
#include "store/inventory_database.h"
#include "store/statements.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace {

common::Text Host(int i) { return common::FromUtf8("WS-" + std::to_string(100000 + i)); }
common::Text Fio(int i) { return common::FromUtf8("ФАМИЛИЯ" + std::to_string(i) + " ИМЯ ОТЧЕСТВО"); }

void ReplaceHost(store::Command& command, int i) {
  command.SetText(store::kDeleteHostRows);
  command.Param("HOST").SetText(Host(i));
  command.Execute();
  command.SetText(store::kInsertUsersRow);
  for (const char* name : {"USER", "IP", "TEL", "ZDAN", "ETAJ", "KAB", "TYPE", "CPU", "OS", "OSVER", "W9XVER",
                           "OSBUILD", "OSID", "BIOS"}) {
    command.Param(name).SetText(u"value of " + common::FromUtf8(name));
  }
  command.Param("HOST").SetText(Host(i));
  command.Param("FIO").SetText(Fio(i));
  command.Param("PRINTER").SetText(u"HP LaserJet 1020 (\\\\SRV\\hp1020)", 192);
  command.Param("SPEED").SetInteger(u"2400");
  command.Param("RAM").SetInteger(u"1024");
  command.Param("HDD").SetInteger(u"80", 70);
  command.Execute();
}

// One database folder per size, filled once and reused by every benchmark of that size.
common::Text Folder(int rows) {
  static std::map<int, std::unique_ptr<testing_support::TempFolder>> folders;
  std::unique_ptr<testing_support::TempFolder>& made = folders[rows];
  if (made) return made->Folder();
  made = std::make_unique<testing_support::TempFolder>("store-bench-");
  store::Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                               "windows-1251"};
  store::Command command("ADOCommand", connection);
  store::PrepareInventoryDatabase(made->Folder(), connection, command);
  for (int i = 0; i < rows; ++i) ReplaceHost(command, i);
  return made->Folder();
}

void BM_DeleteThenInsertEveryHost(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  store::Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                               "windows-1251"};
  connection.SetConnectionString(store::kConnectionStringPrefix + Folder(rows));
  store::Command command("ADOCommand", connection);
  for (auto _ : state) {
    for (int i = 0; i < rows; ++i) ReplaceHost(command, i);
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_UpdateEmailByFio(benchmark::State& state) {
  int rows = static_cast<int>(state.range(0));
  store::Connection connection{testing_support::SystemFiles(), testing_support::TestClock(), "ADOConnection",
                               "windows-1251"};
  connection.SetConnectionString(store::kConnectionStringPrefix + Folder(rows));
  store::Command command("ADOCommand", connection);
  int pass = 0;
  for (auto _ : state) {
    // A new address every pass, so every update writes.
    common::Text email = common::FromUtf8("user" + std::to_string(++pass) + "@eflab.example");
    for (int i = 0; i < rows; ++i) {
      command.SetText(store::kUpdateEmail);
      command.Param("FIO").SetText(Fio(i));
      command.Param("EMAIL").SetText(email);
      command.Execute();
    }
  }
  state.counters["rows/s"] =
      benchmark::Counter(static_cast<double>(rows) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_DeleteThenInsertEveryHost)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_UpdateEmailByFio)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
