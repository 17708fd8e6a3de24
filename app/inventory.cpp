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

Inventory::Inventory(common::LogSink& log, common::Text survey_folder, common::Text database_folder)
    : log_(log), survey_folder_(std::move(survey_folder)), database_folder_(std::move(database_folder)) {}

// Both hold the database folder's lock while they write, so that a second program on the same folder
// stops with a message instead of interleaving its rows with ours.
void Inventory::FormActivate() {
  // The connection string comes first: when another run holds the folder this activation fails, and
  // the runs that follow still need the string.
  ADOConnection.SetConnectionString(store::kConnectionStringPrefix + database_folder_);
  platform::FolderLock lock(database_folder_);
  store::PrepareInventoryDatabase(database_folder_, ADOConnection, ADOCommand);
}

void Inventory::Refresh() {
  platform::FolderLock lock(database_folder_);
  RunRefresh(*this, survey_folder_);
}

void Inventory::GetExchange() {
  directory::GetExchange(ADOConnection, ADOCommand, Table, database_folder_, common::settings::kMailDomain);
}

void Inventory::AddData(const common::Text& path) { survey::AddData(path, ADOCommand, log_); }

void Inventory::AddInfoData(const common::Text& path) { survey::AddInfoData(path, ADOCommand, ADOQuery, log_); }

void Inventory::MergeContacts() { directory::MergeContacts(ADOQuery, ADOCommand); }

void Inventory::CloseConnectionIfConnected() {
  if (ADOConnection.Connected()) ADOConnection.Close();
}

}  // namespace app
