// The window's cost: the same second refresh run over a generated share, once through the window
// (the button's handler, every log line going to the log box) and once as the unattended program runs
// it. Run it on a real display with a window manager (see bench/README.md); under Qt's offscreen
// platform nothing is painted and the figure says little.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QPushButton>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "app/inventory.h"
#include "app/qt/window.h"
#include "bench/bench_share.h"
#include "common/log_sink.h"
#include "tests/support/system_files.h"

namespace {

class NullLog : public common::LogSink {
 public:
  void Log(const common::Text&) override {}
};

struct Share {
  common::Text survey_folder;
  common::Text database_folder;
  directory::MailDirectory* mail;
};

// The share of that size with a database the first run filled, so that every measured run is the
// daily case.
Share Prepared(int hosts) {
  std::filesystem::path share = bench::BenchShare(INVENTORY_BENCH_CACHE, hosts);
  std::filesystem::path database =
      std::filesystem::path(INVENTORY_BENCH_CACHE) / ("window-db-" + std::to_string(hosts));
  std::filesystem::remove_all(database);
  std::filesystem::create_directories(database);
  Share folders{common::PathToText(share.string() + "/"), common::PathToText(database.string() + "/"),
                &bench::ShareMail(share)};
  NullLog log;
  app::Inventory first(testing_support::SystemFiles(), bench::BenchClock(), bench::ShareMail(share), log,
                       testing_support::TestSettings(folders.survey_folder, folders.database_folder));
  first.FormActivate();
  first.Refresh();
  return folders;
}

void BM_UnattendedRun(benchmark::State& state) {
  Share share = Prepared(static_cast<int>(state.range(0)));
  NullLog log;
  for (auto _ : state) {
    app::Inventory inventory(testing_support::SystemFiles(), bench::BenchClock(), *share.mail, log,
                             testing_support::TestSettings(share.survey_folder, share.database_folder));
    inventory.FormActivate();
    inventory.Refresh();
  }
}

void BM_WindowRun(benchmark::State& state) {
  Share share = Prepared(static_cast<int>(state.range(0)));
  app::qt::TForm1 form(u"window_bench", [&](common::LogSink& log) {
    return std::make_unique<app::Inventory>(testing_support::SystemFiles(), bench::BenchClock(), *share.mail, log,
                                            testing_support::TestSettings(share.survey_folder, share.database_folder));
  });
  form.show();
  QApplication::processEvents();
  form.FormActivate();
  for (auto _ : state) {
    form.Button1Click();
    if (!form.Button1->isEnabled()) throw std::runtime_error("the run failed");
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_UnattendedRun)->Apply(Sizes);
BENCHMARK(BM_WindowRun)->Apply(Sizes);

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
