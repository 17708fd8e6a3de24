#include "app/inventory.h"

#include <utility>

#include "common/settings.h"
#include "directory/contact_merge.h"
#include "directory/directory_export.h"
#include "platform/folder_lock.h"
#include "store/inventory_database.h"
#include "survey/info_import.h"
#include "survey/survey_import.h"

namespace app {

Inventory::Inventory(platform::FileSystem& files, common::LogSink& log, common::Text survey_folder,
                     common::Text database_folder)
    : ADOConnection(files, "ADOConnection"),
      files_(files),
      log_(log),
      survey_folder_(std::move(survey_folder)),
      database_folder_(std::move(database_folder)) {}

Inventory::~Inventory() = default;

survey::SurveyFolder& Inventory::Survey() {
  if (!survey_) survey_ = std::make_unique<survey::SurveyFolder>(files_, survey_folder_);
  return *survey_;
}

namespace {

// The entry name of a path the run built from the survey folder.
common::Text NameIn(const common::Text& folder, const common::Text& path) {
  return path.starts_with(folder) ? path.substr(folder.size()) : path;
}

}  // namespace

// Both hold the database folder's lock while they write, so that a second program on the same folder
// stops with a message instead of interleaving its rows with ours.
void Inventory::FormActivate() {
  platform::FolderLock lock(files_, database_folder_);
  store::PrepareInventoryDatabase(database_folder_, ADOConnection, ADOCommand);
}

void Inventory::Refresh() {
  platform::FolderLock lock(files_, database_folder_);
  survey_ = std::make_unique<survey::SurveyFolder>(files_, survey_folder_);
  RunRefresh(*this, *survey_);
  survey_.reset();
}

void Inventory::GetExchange() {
  directory::GetExchange(ADOConnection, ADOCommand, Table, database_folder_, common::settings::kMailDomain);
}

void Inventory::AddData(const common::Text& path) {
  survey::AddData(Survey(), NameIn(survey_folder_, path), ADOCommand, log_);
}

void Inventory::AddInfoData(const common::Text& path) {
  survey::AddInfoData(Survey(), NameIn(survey_folder_, path), ADOCommand, ADOQuery, log_);
}

void Inventory::MergeContacts() { directory::MergeContacts(ADOQuery, ADOCommand); }

void Inventory::CloseConnectionIfConnected() {
  if (ADOConnection.Connected()) ADOConnection.Close();
}

}  // namespace app
