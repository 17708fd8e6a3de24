#include "store/history.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "common/error.h"
#include "store/dbf/record_codec.h"
#include "store/dbf/table_file.h"
#include "store/inventory_database.h"
#include "store/statements.h"
#include "store/store_errors.h"

namespace store {

namespace {

std::unique_ptr<platform::Folder> OpenDatabaseFolder(Command& command, const common::Text& database_folder) {
  try {
    return command.connection().files().OpenFolder(database_folder);
  } catch (const platform::CannotOpenFolder& error) {
    throw common::Error(u"Cannot open the database folder \"" + database_folder + u"\". " + error.reason());
  }
}

// Appends one HISTORY row through `command`, whose text is kInsertHistoryRow.
void AppendRow(Command& command, const ChangeStamp& stamp, const common::Text& host, const common::Text& field,
               const common::Text& old_value, const common::Text& new_value) {
  command.Param("HOST").SetText(host);
  command.Param("CHG_DATE").SetText(stamp.date, 8);
  command.Param("CHG_TIME").SetText(stamp.time, 8);
  command.Param("FIELD").SetText(field, 10);
  command.Param("OLD_VALUE").SetText(old_value, 192);
  command.Param("NEW_VALUE").SetText(new_value, 192);
  command.Execute();
}

// The day before `date` ("YYYYMMDD", valid), in the same form.
common::Text DayBefore(const common::Text& date) {
  std::string text = common::ToUtf8(date);
  int year = std::stoi(text.substr(0, 4)), month = std::stoi(text.substr(4, 2)), day = std::stoi(text.substr(6, 2));
  if (--day == 0) {
    if (--month == 0) {
      month = 12;
      --year;
    }
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    day = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
  }
  char out[16];
  std::snprintf(out, sizeof out, "%04d%02d%02d", year, month, day);
  return common::FromUtf8(out);
}

}  // namespace

RowWatch UsersHistoryWatch() {
  return RowWatch("USERS", "HOST",
                  {"USER", "FIO", "TEL", "ZDAN", "ETAJ", "KAB", "IP", "SPEED", "CPU", "RAM", "HDD", "OS", "OSVER",
                   "BIOS", "PRINTER", "EMAIL", "TEL2"});
}

namespace {

size_t RecordChanges(const common::Text& database_folder, Command& command,
                     const std::function<void(const std::function<void(const ChangedRow&)>&)>& for_each_change,
                     const ChangeStamp& stamp) {
  size_t appended = 0;
  bool prepared = false;
  auto append = [&](const common::Text& host, const common::Text& field, const common::Text& old_value,
                    const common::Text& new_value) {
    if (!prepared) {
      // Only a change creates the table or opens it.
      if (!TableExists(command.connection().files(), database_folder, kHistoryFileName)) {
        command.SetText(kCreateHistory);
        command.Execute();
      }
      command.SetText(kInsertHistoryRow);
      prepared = true;
    }
    AppendRow(command, stamp, host, field, old_value, new_value);
    ++appended;
  };
  for_each_change([&](const ChangedRow& row) {
    if (row.created) {
      common::Text fio;
      for (const ChangedRow::Column& column : row.columns) {
        if (column.name == "FIO") fio = column.new_value;
      }
      append(row.key, kCreatedMark, {}, fio);
      return;
    }
    for (const ChangedRow::Column& column : row.columns) {
      append(row.key, common::FromUtf8(column.name), column.old_value, column.new_value);
    }
  });
  return appended;
}

}  // namespace

size_t RecordHistory(const common::Text& database_folder, Command& command, const std::vector<ChangedRow>& changes,
                     const ChangeStamp& stamp) {
  return RecordChanges(
      database_folder, command,
      [&](const std::function<void(const ChangedRow&)>& visit) {
        for (const ChangedRow& row : changes) visit(row);
      },
      stamp);
}

size_t RecordHistory(const common::Text& database_folder, Command& command, const RowWatch& watch,
                     const ChangeStamp& stamp) {
  return RecordChanges(
      database_folder, command,
      [&](const std::function<void(const ChangedRow&)>& visit) { watch.ForEachChange(visit); }, stamp);
}

size_t PurgeHistory(const common::Text& database_folder, Command& command, const common::Text& first_kept,
                    const ChangeStamp& stamp) {
  std::unique_ptr<platform::Folder> folder = OpenDatabaseFolder(command, database_folder);
  std::optional<common::Text> name = dbf::FindTableFile(*folder, kHistoryFileName);
  if (!name) return 0;
  if (auto index = dbf::FindTableFile(*folder, u"history.mdx")) throw StaleIndexFile("HISTORY", *index);
  std::string packed;
  size_t removed = 0;
  {
    dbf::TableFile file(*folder, *name);
    dbf::TableFile::Loaded loaded = file.Load();
    const dbf::Header& header = loaded.header;
    int date_field = header.FindField("CHG_DATE");
    if (date_field < 0) throw ColumnNotFound("CHG_DATE", "HISTORY");
    const dbf::Field& date = header.fields[static_cast<size_t>(date_field)];
    const std::string first = common::ToUtf8(first_kept);
    std::string records;
    uint32_t kept = 0;
    constexpr uint32_t kChunk = 2048;
    std::string chunk;
    for (uint32_t at = 0; at < loaded.record_count; at += kChunk) {
      uint32_t count = std::min(kChunk, loaded.record_count - at);
      file.ReadRecords(header, at, count, chunk);
      for (uint32_t i = 0; i < count; ++i) {
        std::string_view record(chunk.data() + size_t{i} * header.record_length, header.record_length);
        if (record[0] != dbf::kLiveFlag && record[0] != dbf::kDeletedFlag) {
          throw dbf::DamagedTable(
              file.path(), common::FromUtf8("record " + std::to_string(at + i + 1) + " has no valid deletion flag"));
        }
        if (record[0] == dbf::kDeletedFlag) continue;
        std::string_view day = dbf::FieldBytes(date, record);
        if (!dbf::IsNull(date, day) && day < first) {
          ++removed;
          continue;
        }
        records.append(record);
        ++kept;
      }
    }
    std::vector<dbf::Field> fields = header.fields;
    packed = dbf::BuildHeader(fields, header.language_driver, kept, command.connection().clock().Today()) + records;
    packed.push_back(dbf::kEndOfData);
  }
  // The packed table takes the old one's place in one rename: every moment leaves one or the other.
  folder->ReplaceFile(*name, packed);
  folder->OpenTable(*name)->Sync();
  folder->Sync();
  command.SetText(kInsertHistoryRow);
  AppendRow(command, stamp, {}, kPurgedMark, {}, DayBefore(first_kept));
  return removed;
}

}  // namespace store
