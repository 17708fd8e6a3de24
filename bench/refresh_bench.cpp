// The whole refresh run (first activation included) over a generated share of 1,000, 10,000 and
// 100,000 workstations, stage by stage, beside the I/O floor of the same share: the time to read every
// input file once and to write tables of the final size once. The first and second runs and the floor
// at 1,000 on a real SMB share (tests/support/smb_share.h), survey files and database folder both there. See
// bench/README.md for how to run it and the figures.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/inventory.h"
#include "app/run_controller.h"
#include "bench/bench_share.h"
#include "common/log_sink.h"
#include "store/command.h"
#include "store/inventory_database.h"
#include "store/query.h"
#include "tests/support/fault_file_system.h"
#include "tests/support/share_generator.h"
#include "tests/support/smb_share.h"
#include "tests/support/system_files.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

class NullLog : public common::LogSink {
 public:
  void Log(const common::Text&) override {}
};

// The file system with a stopwatch around each flush (File::Sync, Folder::Sync).
struct TimedSyncs {
  explicit TimedSyncs(platform::FileSystem& base) : timed_files(base) {
    timed_files.through_sync = [this](const std::string&, const std::function<void()>& sync) {
      Clock::time_point start = Clock::now();
      sync();
      (in_stage ? commit_sync_seconds : flush_seconds) += std::chrono::duration<double>(Clock::now() - start).count();
    };
  }
  testing_support::FaultFileSystem timed_files;
  double flush_seconds = 0;        // outside the stages: the durable ends
  double commit_sync_seconds = 0;  // inside them: the commits before log lines and at a close
  bool in_stage = false;
};

// A folder of the share as the core expects it, ending in a separator.
common::Text FolderText(const std::filesystem::path& folder) { return common::PathToText(folder.string() + "/"); }

// The log lines in batches, each after a commit, as both programs show them; then into `log`.
struct BatchedLines {
  explicit BatchedLines(common::LogSink& log)
      : batched([&log](const std::vector<common::Text>& lines) { log.LogLines(lines); }) {}
  app::BatchedLog batched;
};

// The inventory with a stopwatch around each stage of the run and around the flushes that end the
// activation and the run (outside every stage; the commits during the run, each flushed, count in the
// stage that logs). The timed file system and the log come first, so that they are there before the
// inventory that uses them.
class TimedInventory : private TimedSyncs, private BatchedLines, public app::Inventory {
 public:
  TimedInventory(platform::FileSystem& files, common::LogSink& log, const std::filesystem::path& share,
                 common::Text database_folder)
      : TimedSyncs(files),
        BatchedLines(log),
        app::Inventory(timed_files, bench::BenchClock(), bench::ShareMail(share), batched,
                       testing_support::TestSettings(FolderText(share), std::move(database_folder))) {
    batched.SetBeforeShow([this] { Commit(); });
  }

  struct Seconds {
    double activation = 0, export_tables = 0, survey = 0, info = 0, merge = 0, flush = 0, commit_sync = 0;
  } seconds;

  void Refresh() {
    app::Inventory::Refresh();
    seconds.flush = flush_seconds;
    seconds.commit_sync = commit_sync_seconds;
  }

  void FormActivate() override {
    Time(seconds.activation, [&] { app::Inventory::FormActivate(); });
  }
  directory::ExportCounts GetExchange() override {
    return Time(seconds.export_tables, [&] { return app::Inventory::GetExchange(); });
  }
  void AddData(const common::Text& path) override {
    Time(seconds.survey, [&] { app::Inventory::AddData(path); });
  }
  bool AddInfoData(const common::Text& path) override {
    return Time(seconds.info, [&] { return app::Inventory::AddInfoData(path); });
  }
  directory::MergeCounts MergeContacts() override {
    return Time(seconds.merge, [&] { return app::Inventory::MergeContacts(); });
  }

 private:
  template <typename Body>
  auto Time(double& total, Body body) -> decltype(body()) {
    Clock::time_point start = Clock::now();
    in_stage = true;
    struct AddOnExit {
      double& total;
      Clock::time_point start;
      bool& in_stage;
      ~AddOnExit() {
        total += std::chrono::duration<double>(Clock::now() - start).count();
        in_stage = false;
      }
    } add{total, start, in_stage};
    return body();
  }
};

std::filesystem::path Share(int hosts) { return bench::BenchShare(INVENTORY_BENCH_CACHE, hosts); }

int TotalHosts(int hosts) { return hosts + hosts * bench::ShareOptions{}.info_only_percent / 100; }

// A database folder of its own for each run, on the same file system as the share.
using testing_support::TempFolder;
constexpr char kDatabasePrefix[] = "db-";

std::map<std::string, uint64_t> TableSizes(const std::filesystem::path& folder) {
  std::map<std::string, uint64_t> sizes;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() == ".dbf") sizes[entry.path().filename().string()] = entry.file_size();
  }
  return sizes;
}

// The table sizes a finished run left, by share size, for the floor.
std::map<int, std::map<std::string, uint64_t>>& FinalTableSizes() {
  static std::map<int, std::map<std::string, uint64_t>> sizes;
  return sizes;
}

void ReportRun(benchmark::State& state, const TimedInventory::Seconds& total, int hosts) {
  auto average = [&](double value) { return benchmark::Counter(value, benchmark::Counter::kAvgIterations); };
  state.counters["activation_s"] = average(total.activation);
  state.counters["export_s"] = average(total.export_tables);
  state.counters["survey_s"] = average(total.survey);
  state.counters["info_s"] = average(total.info);
  state.counters["merge_s"] = average(total.merge);
  state.counters["flush_s"] = average(total.flush);
  state.counters["commit_sync_s"] = average(total.commit_sync);
  state.counters["hosts_per_s"] =
      benchmark::Counter(static_cast<double>(TotalHosts(hosts)) * state.iterations(), benchmark::Counter::kIsRate);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void Accumulate(TimedInventory::Seconds& total, const TimedInventory::Seconds& run) {
  total.activation += run.activation;
  total.export_tables += run.export_tables;
  total.survey += run.survey;
  total.info += run.info;
  total.merge += run.merge;
  total.flush += run.flush;
  total.commit_sync += run.commit_sync;
}

// One timed first run over `share` into a new database folder under `parent`; only the run itself is
// timed. Adds the stage times to `total` and returns the table sizes the run left.
std::map<std::string, uint64_t> TimedFirstRun(benchmark::State& state, const std::filesystem::path& share,
                                              const std::filesystem::path& parent, TimedInventory::Seconds& total) {
  NullLog log;
  state.PauseTiming();
  std::map<std::string, uint64_t> sizes;
  {
    TempFolder database(kDatabasePrefix, parent);
    TimedInventory inventory(testing_support::SystemFiles(), log, share, database.Folder());
    state.ResumeTiming();
    inventory.FormActivate();
    inventory.Refresh();
    state.PauseTiming();
    Accumulate(total, inventory.seconds);
    sizes = TableSizes(database.path());
  }
  state.ResumeTiming();
  return sizes;
}

// The first run on an empty database folder: USERS created, every host inserted.
void BM_FirstRun(benchmark::State& state) {
  int hosts = static_cast<int>(state.range(0));
  std::filesystem::path share = Share(hosts);
  TimedInventory::Seconds total;
  for (auto _ : state) FinalTableSizes()[hosts] = TimedFirstRun(state, share, INVENTORY_BENCH_CACHE, total);
  ReportRun(state, total, hosts);
}

// The daily case: the button pressed again over an unchanged share of `hosts` workstations, after
// one untimed first run into a new database folder under `parent`. Every surveyed host is deleted
// and inserted again; info-only hosts are only counted.
void MeasureSecondRun(benchmark::State& state, const std::filesystem::path& share, const std::filesystem::path& parent,
                      int hosts) {
  NullLog log;
  TempFolder database(kDatabasePrefix, parent);
  {
    app::Inventory first(testing_support::SystemFiles(), bench::BenchClock(), bench::ShareMail(share), log,
                         testing_support::TestSettings(FolderText(share), database.Folder()));
    first.FormActivate();
    first.Refresh();
  }
  TimedInventory::Seconds total;
  for (auto _ : state) {
    TimedInventory inventory(testing_support::SystemFiles(), log, share, database.Folder());
    inventory.FormActivate();
    inventory.Refresh();
    Accumulate(total, inventory.seconds);
  }
  ReportRun(state, total, hosts);
}

void BM_SecondRun(benchmark::State& state) {
  int hosts = static_cast<int>(state.range(0));
  MeasureSecondRun(state, Share(hosts), INVENTORY_BENCH_CACHE, hosts);
}

// The second run with the change history on or off (third argument), with none of the hosts changed
// since the last run or with a share of them (second argument, per mille): before each run, untimed,
// that many hosts get another KAB in USERS, which the run sets back from their survey files, so
// each of them writes one HISTORY row.
void BM_HistoryRun(benchmark::State& state) {
  int hosts = static_cast<int>(state.range(0));
  int per_mille = static_cast<int>(state.range(1));
  std::filesystem::path share = Share(hosts);
  NullLog log;
  TempFolder database(kDatabasePrefix, INVENTORY_BENCH_CACHE);
  app::Settings settings = testing_support::TestSettings(FolderText(share), database.Folder());
  settings.history = state.range(2) != 0;
  {
    app::Inventory first(testing_support::SystemFiles(), bench::BenchClock(), bench::ShareMail(share), log, settings);
    first.FormActivate();
    first.Refresh();
  }
  std::vector<common::Text> changed;
  {
    store::Connection connection(testing_support::SystemFiles(), bench::BenchClock(), "ADOConnection", "windows-1251");
    connection.SetConnectionString(store::kConnectionStringPrefix + database.Folder());
    store::Query query("ADOQuery", connection);
    query.SetText(u"SELECT HOST FROM USERS");
    query.Open();
    size_t row = 0;
    for (query.First(); !query.Eof(); query.Next(), ++row) {
      if (row % 1000 < static_cast<size_t>(per_mille)) changed.push_back(query.FieldText("HOST"));
    }
  }
  TimedInventory::Seconds total;
  for (auto _ : state) {
    state.PauseTiming();
    {
      store::Connection connection(testing_support::SystemFiles(), bench::BenchClock(), "ADOConnection",
                                   "windows-1251");
      connection.SetConnectionString(store::kConnectionStringPrefix + database.Folder());
      store::Command command("ADOCommand", connection);
      command.SetText(u"UPDATE USERS SET KAB = :KAB WHERE HOST = :HOST");
      for (const common::Text& host : changed) {
        command.Param("KAB").SetText(u"moved");
        command.Param("HOST").SetText(host);
        command.Execute();
      }
    }
    state.ResumeTiming();
    app::Inventory inventory(testing_support::SystemFiles(), bench::BenchClock(), bench::ShareMail(share), log,
                             settings);
    inventory.FormActivate();
    inventory.Refresh();
  }
  state.counters["changed_hosts"] = static_cast<double>(changed.size());
}

// The table sizes a finished run over the share of that size leaves (from a run made here if no
// benchmark in this process left them yet).
const std::map<std::string, uint64_t>& FinalSizes(int hosts, const std::filesystem::path& share) {
  if (!FinalTableSizes().contains(hosts)) {
    NullLog log;
    TempFolder database(kDatabasePrefix, INVENTORY_BENCH_CACHE);
    app::Inventory inventory(testing_support::SystemFiles(), bench::BenchClock(), bench::ShareMail(share), log,
                             testing_support::TestSettings(FolderText(share), database.Folder()));
    inventory.FormActivate();
    inventory.Refresh();
    FinalTableSizes()[hosts] = TableSizes(database.path());
  }
  return FinalTableSizes()[hosts];
}

// Every input file read once, and tables of the final size written once in record-sized pieces into
// a fresh database folder under `parent`; the folder's creation and removal are not timed.
void MeasureIoFloor(benchmark::State& state, const std::vector<std::filesystem::path>& files,
                    const std::map<std::string, uint64_t>& sizes, const std::filesystem::path& parent) {
  constexpr size_t kRecord = 1 + 20 * 70;  // roughly one USERS record
  std::string buffer(1 << 20, ' ');
  for (auto _ : state) {
    state.PauseTiming();
    auto database = std::make_unique<TempFolder>(kDatabasePrefix, parent);
    state.ResumeTiming();
    uint64_t read = 0;
    for (const std::filesystem::path& file : files) {
      int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      ssize_t n;
      while ((n = ::read(fd, buffer.data(), buffer.size())) > 0) read += static_cast<uint64_t>(n);
      ::close(fd);
    }
    for (const auto& [name, size] : sizes) {
      int fd = ::open((database->path() / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      for (uint64_t done = 0; done < size;) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(kRecord, size - done));
        if (::pwrite(fd, buffer.data(), piece, static_cast<off_t>(done)) <= 0) break;
        done += piece;
      }
      ::close(fd);
    }
    benchmark::DoNotOptimize(read);
    state.PauseTiming();
    database.reset();
    state.ResumeTiming();
  }
  state.counters["files"] = static_cast<double>(files.size());
}

void BM_IoFloor(benchmark::State& state) {
  int hosts = static_cast<int>(state.range(0));
  std::filesystem::path share = Share(hosts);
  MeasureIoFloor(state, bench::ShareFiles(share), FinalSizes(hosts, share), INVENTORY_BENCH_CACHE);
}

// The SMB share of this process, set up on first use and kept to the end; null, with the benchmark
// skipped for the reason, when this machine cannot have one.
bench::SmbShare* SmbShareOrSkip(benchmark::State& state) {
  static std::string failure;
  static std::unique_ptr<bench::SmbShare> share = [] {
    std::unique_ptr<bench::SmbShare> made;
    failure = bench::SmbShare::Missing();
    if (!failure.empty()) return made;
    try {
      made = std::make_unique<bench::SmbShare>();
    } catch (const std::exception& error) {
      failure = error.what();
    }
    return made;
  }();
  if (!share) state.SkipWithError(("no SMB share: " + failure).c_str());
  return share.get();
}

// The generated share of that size copied onto the SMB share (through the server's own disk, as
// the workstations' files are already there when a run starts); its folder through the mount.
std::filesystem::path OnSmbShare(bench::SmbShare& smb, int hosts) {
  std::filesystem::path local = Share(hosts);
  std::filesystem::path name = local.filename();
  if (!std::filesystem::exists(smb.served() / name)) {
    std::filesystem::copy(local, smb.served() / name, std::filesystem::copy_options::recursive);
  }
  return smb.mounted() / name;
}

// The first run with the survey files and the database folder both on the SMB share.
void BM_SmbFirstRun(benchmark::State& state) {
  bench::SmbShare* smb = SmbShareOrSkip(state);
  if (smb == nullptr) return;
  int hosts = static_cast<int>(state.range(0));
  std::filesystem::path share = OnSmbShare(*smb, hosts);
  TimedInventory::Seconds total;
  for (auto _ : state) TimedFirstRun(state, share, smb->mounted(), total);
  ReportRun(state, total, hosts);
}

// The second run on the SMB share, over the share and the database folder the first run left there.
void BM_SmbSecondRun(benchmark::State& state) {
  bench::SmbShare* smb = SmbShareOrSkip(state);
  if (smb == nullptr) return;
  int hosts = static_cast<int>(state.range(0));
  MeasureSecondRun(state, OnSmbShare(*smb, hosts), smb->mounted(), hosts);
}

// The I/O floor on the SMB share: every file read once through the mount, tables written there.
void BM_SmbIoFloor(benchmark::State& state) {
  bench::SmbShare* smb = SmbShareOrSkip(state);
  if (smb == nullptr) return;
  int hosts = static_cast<int>(state.range(0));
  std::filesystem::path share = OnSmbShare(*smb, hosts);
  MeasureIoFloor(state, bench::ShareFiles(share), FinalSizes(hosts, Share(hosts)), smb->mounted());
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
}

BENCHMARK(BM_FirstRun)->Apply(Sizes);
BENCHMARK(BM_SecondRun)->Apply(Sizes);
BENCHMARK(BM_IoFloor)->Apply(Sizes);
BENCHMARK(BM_HistoryRun)
    ->ArgsProduct({{10000}, {0, 10}, {0, 1}})
    ->ArgNames({"hosts", "changed_per_mille", "history"})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
// About 1 ms a round trip on the share: 1,000 hosts take seconds, larger sizes minutes.
BENCHMARK(BM_SmbFirstRun)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_SmbSecondRun)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_SmbIoFloor)->Arg(1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
