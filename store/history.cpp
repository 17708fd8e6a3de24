#include "store/history.h"

#include "store/inventory_database.h"
#include "store/statements.h"

namespace store {

RowWatch UsersHistoryWatch() {
  return RowWatch("USERS", "HOST",
                  {"USER", "FIO", "TEL", "ZDAN", "ETAJ", "KAB", "IP", "SPEED", "CPU", "RAM", "HDD", "OS", "OSVER",
                   "BIOS", "PRINTER", "EMAIL", "TEL2"});
}

size_t RecordHistory(const common::Text& database_folder, Command& command, const std::vector<ChangedRow>& changes,
                     const ChangeStamp& stamp) {
  if (changes.empty()) return 0;
  if (!TableExists(command.connection().files(), database_folder, kHistoryFileName)) {
    command.SetText(kCreateHistory);
    command.Execute();
  }
  command.SetText(kInsertHistoryRow);
  size_t appended = 0;
  auto append = [&](const common::Text& host, const common::Text& field, const common::Text& old_value,
                    const common::Text& new_value) {
    command.Param("HOST").SetText(host);
    command.Param("CHG_DATE").SetText(stamp.date, 8);
    command.Param("CHG_TIME").SetText(stamp.time, 8);
    command.Param("FIELD").SetText(field, 10);
    command.Param("OLD_VALUE").SetText(old_value, 192);
    command.Param("NEW_VALUE").SetText(new_value, 192);
    command.Execute();
    ++appended;
  };
  for (const ChangedRow& row : changes) {
    if (row.created) {
      common::Text fio;
      for (const ChangedRow::Column& column : row.columns) {
        if (column.name == "FIO") fio = column.new_value;
      }
      append(row.key, kCreatedMark, {}, fio);
      continue;
    }
    for (const ChangedRow::Column& column : row.columns) {
      append(row.key, common::FromUtf8(column.name), column.old_value, column.new_value);
    }
  }
  return appended;
}

}  // namespace store
