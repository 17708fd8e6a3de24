#include "app/inventory.h"

#include <utility>

#include "store/inventory_database.h"
#include "survey/info_import.h"
#include "survey/survey_import.h"

namespace app {

Inventory::Inventory(common::LogSink& log, common::Text survey_folder, common::Text database_folder)
    : log_(log), survey_folder_(std::move(survey_folder)), database_folder_(std::move(database_folder)) {}

void Inventory::FormActivate() { store::PrepareInventoryDatabase(database_folder_, ADOConnection, ADOCommand); }

void Inventory::Refresh() { RunRefresh(*this, survey_folder_); }

// The mail directory export is wired in with the directory subsystem.
void Inventory::GetExchange() {}

void Inventory::AddData(const common::Text& path) { survey::AddData(path, ADOCommand, log_); }

void Inventory::AddInfoData(const common::Text& path) { survey::AddInfoData(path, ADOCommand, ADOQuery, log_); }

// The contact merge is wired in with the directory subsystem.
void Inventory::MergeContacts() {}

void Inventory::CloseConnectionIfConnected() {
  if (ADOConnection.Connected()) ADOConnection.Close();
}

}  // namespace app
