#include "app/inventory.h"

#include <utility>

#include "directory/contact_merge.h"
#include "directory/directory_export.h"
#include "platform/folder_lock.h"
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
      settings_(std::move(settings)) {}

Inventory::~Inventory() = default;

survey::SurveyFolder& Inventory::Survey() {
  if (!survey_) {
    survey_ = std::make_unique<survey::SurveyFolder>(files_, settings_.survey_folder, settings_.workstation_codepage);
  }
  return *survey_;
}

namespace {

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

void Inventory::Refresh(RunCounts& counts, const SkipFile& skip) {
  platform::FolderLock lock(files_, settings_.database_folder);
  survey_ = std::make_unique<survey::SurveyFolder>(files_, settings_.survey_folder, settings_.workstation_codepage);
  FlushingAfter([&] { RunRefresh(*this, *survey_, counts, skip); });
  survey_.reset();
}

void Inventory::Refresh() {
  RunCounts counts;
  Refresh(counts);
}

void Inventory::Flush() { ADOConnection.Flush(); }

directory::ExportCounts Inventory::GetExchange() {
  return directory::GetExchange(mail_, ADOConnection, ADOCommand, Table, settings_.database_folder, settings_.mail_domain);
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
