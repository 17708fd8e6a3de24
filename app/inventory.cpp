#include "app/inventory.h"

#include <utility>

#include "common/settings.h"
#include "directory/contact_merge.h"
#include "directory/directory_export.h"
#include "store/inventory_database.h"
#include "survey/info_import.h"
#include "survey/survey_import.h"

namespace app {

Inventory::Inventory(common::LogSink& log, common::Text survey_folder, common::Text database_folder)
    : log_(log), survey_folder_(std::move(survey_folder)), database_folder_(std::move(database_folder)) {}

void Inventory::FormActivate() { store::PrepareInventoryDatabase(database_folder_, ADOConnection, ADOCommand); }

void Inventory::Refresh() { RunRefresh(*this, survey_folder_); }

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
