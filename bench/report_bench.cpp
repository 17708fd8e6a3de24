// The inventory report over a generated share of 1,000, 10,000 and 100,000 workstations whose tables
// one refresh run filled: the tables read, the folder listed once, the page and its CSV files written.
// See bench/README.md for how to run it and the figures.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>

#include "app/inventory.h"
#include "bench/bench_share.h"
#include "common/log_sink.h"
#include "report/inventory_report.h"
#include "report/report_page.h"
#include "tests/support/share_generator.h"
#include "tests/support/system_files.h"

namespace {

class NullLog : public common::LogSink {
 public:
  void Log(const common::Text&) override {}
};

common::Text FolderText(const std::filesystem::path& folder) { return common::PathToText(folder.string() + "/"); }

// The share of that size and a database folder beside it that one refresh run filled; both are kept
// in the benchmark cache and reused while the share stays the same.
struct Inventory {
  std::filesystem::path share;
  std::filesystem::path database;
};

Inventory Filled(int hosts) {
  bench::ShareOptions options;
  options.hosts = hosts;
  options.lookup_per_mille = 0;  // see refresh_bench: a name-service look-up measures the name server
  Inventory inventory;
  inventory.share = bench::CachedShare(INVENTORY_BENCH_CACHE, options);
  inventory.database = inventory.share.parent_path() / (inventory.share.filename().string() + "-report-db");
  std::filesystem::path done = inventory.database / "filled";
  if (!std::filesystem::exists(done)) {
    std::filesystem::remove_all(inventory.database);
    std::filesystem::create_directories(inventory.database);
    NullLog log;
    app::Inventory refresh(testing_support::SystemFiles(), bench::BenchClock(), bench::ShareMail(inventory.share), log,
                           testing_support::TestSettings(FolderText(inventory.share), FolderText(inventory.database)));
    refresh.FormActivate();
    refresh.Refresh();
    std::filesystem::create_directory(done);
  }
  return inventory;
}

void BM_Report(benchmark::State& state) {
  int hosts = static_cast<int>(state.range(0));
  Inventory inventory = Filled(hosts);
  std::filesystem::path out = std::filesystem::path(INVENTORY_BENCH_CACHE) / ("report-" + std::to_string(hosts));
  std::filesystem::create_directories(out);
  report::ReportSettings settings;
  settings.survey_folder = FolderText(inventory.share);
  settings.database_folder = FolderText(inventory.database);
  settings.now = static_cast<int64_t>(std::time(nullptr));
  settings.dbf_codepage = "windows-1251";
  size_t listed = 0;
  for (auto _ : state) {
    report::Report report = report::GatherReport(testing_support::SystemFiles(), bench::BenchClock(), settings);
    report::WriteReport(testing_support::SystemFiles(), report, platform::FsPathToText(out / "report.html"));
    listed = report.lists[0].rows.size();
  }
  state.counters["no_email_rows"] = static_cast<double>(listed);
  state.counters["page_MiB"] = static_cast<double>(std::filesystem::file_size(out / "report.html")) / (1 << 20);
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MiB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// CPU time is the whole process's: the folder is listed on a second thread.
BENCHMARK(BM_Report)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
