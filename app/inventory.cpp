#include "app/inventory.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <utility>

#include "directory/contact_merge.h"
#include "directory/directory_export.h"
#include "platform/folder_lock.h"
#include "store/history.h"
#include "store/inventory_database.h"
#include "survey/info_import.h"
#include "survey/survey_import.h"

namespace app {

Inventory::Inventory(platform::FileSystem& files, const common::Clock& clock, directory::MailDirectory& mail,
                     common::LogSink& log, Settings settings)
    : ADOConnection(files, clock, "ADOConnection", settings.dbf_codepage),
      files_(files),
      mail_(mail),
      log_(log),
      settings_(std::move(settings)),
      clock_(clock) {}

Inventory::~Inventory() = default;

survey::SurveyFolder& Inventory::Survey() {
  if (!survey_) {
    survey_ = std::make_unique<survey::SurveyFolder>(files_, settings_.survey_folder, settings_.workstation_codepage);
  }
  return *survey_;
}

namespace {

// The date ("YYYYMMDD") and time ("HH:MM:SS") of `now`.
store::ChangeStamp Stamp(const common::LocalTime& now) {
  char date[32], time[32];
  std::snprintf(date, sizeof date, "%04d%02d%02d", now.date.year, now.date.month, now.date.day);
  std::snprintf(time, sizeof time, "%02d:%02d:%02d", now.hour, now.minute, now.second);
  return {common::FromUtf8(date), common::FromUtf8(time)};
}

// The entry name of a path the run built from the survey folder.
common::Text NameIn(const common::Text& folder, const common::Text& path) {
  return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

}  // namespace

template <typename Step>
void Inventory::FlushingAfter(Step step) {
  try {
    step();
  } catch (...) {
    // Whatever the failed step wrote reaches the disk as well; the step's failure is what is reported.
    try {
      Flush();
    } catch (const std::exception&) {
    }
    throw;
  }
  Flush();
}

// Both hold the database folder's lock while they write, so that a second program on the same folder
// stops with a message instead of interleaving its rows with ours.
void Inventory::FormActivate() {
  // The connection string comes first: when another run holds the folder this activation fails, and
  // the runs that follow still need the string.
  ADOConnection.SetConnectionString(store::kConnectionStringPrefix + settings_.database_folder);
  platform::FolderLock lock(files_, settings_.database_folder);
  FlushingAfter([&] { store::PrepareInventoryDatabase(settings_.database_folder, ADOConnection, ADOCommand); });
}

void Inventory::RecordHistory(const store::RowWatch& watch) {
  bool was_open = ADOConnection.Connected();
  size_t appended = store::RecordHistory(settings_.database_folder, ADOCommand, watch, Stamp(clock_.Now()));
  if (appended > 0 && !was_open) CloseConnectionIfConnected();
}

void Inventory::Refresh(RunCounts& counts, const SkipFile& skip) {
  platform::FolderLock lock(files_, settings_.database_folder);
  survey_ = std::make_unique<survey::SurveyFolder>(files_, settings_.survey_folder, settings_.workstation_codepage);
  std::optional<store::RowWatch> watch;
  if (settings_.history) watch.emplace(store::UsersHistoryWatch());
  // The watch sees USERS from the run's first pass over it; the connection lets go of it however
  // the run ends.
  struct Unwatch {
    store::Connection& connection;
    ~Unwatch() { connection.SetRowWatch(nullptr); }
  } unwatch{ADOConnection};
  if (watch) ADOConnection.SetRowWatch(&*watch);
  // Changes are written in batches during the run; the flush at its end commits the last one.
  struct GroupCommit {
    store::Connection& connection;
    explicit GroupCommit(store::Connection& c) : connection(c) { connection.SetGroupCommit(true); }
    ~GroupCommit() {
      try {
        connection.SetGroupCommit(false);
      } catch (const std::exception&) {
        // Only after a failed flush, which the run reports.
      }
    }
  } group_commit{ADOConnection};
  FlushingAfter([&] {
    try {
      RunRefresh(*this, *survey_, counts, skip);
    } catch (...) {
      // What the run changed before its failure is recorded too; the run's failure is what is reported.
      ADOConnection.SetRowWatch(nullptr);
      try {
        if (watch) RecordHistory(*watch);
      } catch (const std::exception&) {
      }
      throw;
    }
    ADOConnection.SetRowWatch(nullptr);
    if (watch) RecordHistory(*watch);
  });
  survey_.reset();
}

void Inventory::Refresh() {
  RunCounts counts;
  Refresh(counts);
}

size_t Inventory::PurgeHistory(int days_kept) {
  platform::FolderLock lock(files_, settings_.database_folder);
  // The purge rewrites history.dbf itself: the engine must not hold it.
  CloseConnectionIfConnected();
  ADOConnection.SetConnectionString(store::kConnectionStringPrefix + settings_.database_folder);
  common::LocalTime now = clock_.Now();
  using namespace std::chrono;
  year_month_day today{year{now.date.year}, month{static_cast<unsigned>(now.date.month)},
                       day{static_cast<unsigned>(now.date.day)}};
  year_month_day first_kept{sys_days{today} - days{days_kept}};
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02u%02u", static_cast<int>(first_kept.year()),
                static_cast<unsigned>(first_kept.month()), static_cast<unsigned>(first_kept.day()));
  size_t removed = 0;
  FlushingAfter([&] {
    removed = store::PurgeHistory(settings_.database_folder, ADOCommand, common::FromUtf8(text), Stamp(now));
    CloseConnectionIfConnected();
  });
  return removed;
}

void Inventory::Flush() { ADOConnection.Flush(); }

void Inventory::Commit() { ADOConnection.Commit(); }

directory::ExportCounts Inventory::GetExchange() {
  return directory::GetExchange(mail_, ADOConnection, ADOCommand, Table, settings_.database_folder,
                                settings_.mail_domain);
}

void Inventory::AddData(const common::Text& path) {
  survey::AddData(Survey(), NameIn(settings_.survey_folder, path), ADOCommand, log_);
}

bool Inventory::AddInfoData(const common::Text& path) {
  return survey::AddInfoData(Survey(), NameIn(settings_.survey_folder, path), ADOCommand, ADOQuery, log_);
}

directory::MergeCounts Inventory::MergeContacts() { return directory::MergeContacts(ADOQuery, ADOCommand); }

void Inventory::CloseConnectionIfConnected() {
  if (ADOConnection.Connected()) ADOConnection.Close();
}

}  // namespace app
