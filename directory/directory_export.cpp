#include "directory/directory_export.h"

#include "directory/make_email.h"
#include "directory/outlook_names.h"
#include "store/inventory_database.h"
#include "store/statements.h"
#include "survey/normalise.h"

namespace directory {
namespace {

// Drops the table when its file exists, then creates it and its index, whether it existed or not.
void RebuildTable(store::Command& command, const common::Text& database_folder, const common::Text& file_name,
                  const char16_t* drop, const char16_t* create, const char16_t* index) {
  if (store::TableExists(command.connection().files(), database_folder, file_name)) {
    command.SetText(drop);
    command.Execute();
  }
  command.SetText(create);
  command.Execute();
  command.SetText(index);
  command.Execute();
}

size_t ExportAddressList(MailDirectory& mail, store::Connection& connection, store::Command& command,
                         store::Table& table, const common::Text& database_folder, const common::Text& mail_domain) {
  RebuildTable(command, database_folder, u"mexport.dbf", store::kDropMexport, store::kCreateMexport,
               store::kCreateMexportIndex);
  table.SetTableName(store::kMexportTableName);
  table.Open();
  platform::AutomationRef application = mail.CreateApplication();
  platform::AutomationRef name_space = application->Method(u"GetNameSpace", {kMapiNamespace}).AsObject();
  platform::AutomationRef address_list =
      name_space->Method(u"AddressLists", {common::Text(kGlobalAddressListName)}).AsObject();
  // The count is read once; the entries are then asked of the list itself, by index.
  const int32_t count = address_list->Get(u"AddressEntries").AsObject()->Get(u"Count").AsInteger();
  for (int32_t i = 1; i <= count; ++i) {
    platform::AutomationRef entry = address_list->Method(u"AddressEntries", {i}).AsObject();
    table.Append();
    table.SetField("FIO", common::UpperCase(common::Trim(entry->Get(u"Name").AsText())));
    table.SetField("EMAIL", MakeEmail(entry->Get(u"Address").AsText(), mail_domain));
    table.Post();
  }
  table.Close();
  connection.Close();
  return count > 0 ? static_cast<size_t>(count) : 0;
}

size_t ExportContacts(MailDirectory& mail, store::Command& command, store::Table& table,
                      const common::Text& database_folder) {
  RebuildTable(command, database_folder, u"texport.dbf", store::kDropTexport, store::kCreateTexport,
               store::kCreateTexportIndex);
  table.SetTableName(store::kTexportTableName);
  table.Open();
  platform::AutomationRef application = mail.CreateApplication();
  platform::AutomationRef name_space = application->Method(u"GetNameSpace", {kMapiNamespace}).AsObject();
  platform::AutomationRef folder = name_space->Method(u"GetDefaultFolder", {kContactsFolder}).AsObject();
  const int32_t count = folder->Get(u"Items").AsObject()->Get(u"Count").AsInteger();
  size_t rows = 0;
  for (int32_t j = 1; j <= count; ++j) {
    platform::AutomationRef item = folder->Property(u"Items", {j}).AsObject();
    common::Text last = survey::CleanFIO(item->Get(u"LastName").AsText());
    common::Text first = survey::CleanFIO(item->Get(u"FirstName").AsText());
    common::Text name = common::Trim(last + u" " + first);
    common::Text phone = common::Trim(item->Get(u"BusinessTelephoneNumber").AsText());
    if (phone.empty() || name.empty()) continue;
    table.Append();
    table.SetField("FIO", name);
    // The number is cut from the telephone as the contact holds it, read a second time.
    table.SetField("TEL", survey::CleanPhone(item->Get(u"BusinessTelephoneNumber").AsText()));
    table.Post();
    ++rows;
  }
  table.Close();
  return rows;
}

}  // namespace

ExportCounts GetExchange(MailDirectory& mail, store::Connection& connection, store::Command& command,
                         store::Table& table, const common::Text& database_folder, const common::Text& mail_domain) {
  struct Released {
    MailDirectory& mail;
    ~Released() { mail.Release(); }
  } released{mail};
  mail.Load();
  ExportCounts counts;
  counts.mexport_rows = ExportAddressList(mail, connection, command, table, database_folder, mail_domain);
  counts.texport_rows = ExportContacts(mail, command, table, database_folder);
  return counts;
}

}  // namespace directory
