#include "store/inventory_database.h"

#include "store/dbf/table_file.h"
#include "store/statements.h"

namespace store {

bool TableExists(platform::FileSystem& files, const common::Text& folder, const common::Text& file_name) {
  std::unique_ptr<platform::Folder> opened;
  try {
    opened = files.OpenFolder(folder);
  } catch (const platform::CannotOpenFolder&) {
    return false;  // the statement that creates the table then says what is wrong with the folder
  }
  return dbf::FindTableFile(*opened, file_name).has_value();
}

void PrepareInventoryDatabase(const common::Text& database_folder, Connection& connection, Command& command) {
  connection.SetConnectionString(kConnectionStringPrefix + database_folder);
  if (TableExists(connection.files(), database_folder, u"users.dbf")) return;
  command.SetText(kCreateUsers);
  command.Execute();
  for (const char16_t* statement : kCreateUsersIndexes) {
    command.SetText(statement);
    command.Execute();
  }
}

}  // namespace store
