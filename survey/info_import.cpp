#include "survey/info_import.h"

#include "platform/host_lookup.h"
#include "store/statements.h"
#include "survey/info_lines.h"
#include "survey/users_row.h"
#include "survey/workstation_file_error.h"

namespace survey {

namespace {
constexpr size_t kExtensionLength = 4;  // ".nfo", or whatever four characters end the name
}  // namespace

common::Text InfoHostName(common::TextView path) {
  common::TextView name = path.substr(FileNameOffset(path));
  if (name.size() <= kExtensionLength) return {};
  return common::UpperCase(name.substr(0, name.size() - kExtensionLength));
}

namespace {

bool HostHasRows(store::Query& ADOQuery, const common::Text& host) {
  ADOQuery.SetText(store::kCountHostRows);
  ADOQuery.Param("HOST").SetText(host);
  ADOQuery.Open();
  ADOQuery.First();
  return ADOQuery.FieldInteger("count") != 0;
}

}  // namespace

bool AddInfoData(SurveyFolder& folder, const common::Text& name, store::Command& ADOCommand, store::Query& ADOQuery,
                 common::LogSink& log) {
  const common::Text host = InfoHostName(name);
  // Most info files belong to a surveyed host and were read moments ago as its companion.
  if (!host.empty() && folder.WasRead(name) && HostHasRows(ADOQuery, host)) return false;
  LineList info = WorkstationFileStep([&] { return folder.ReadLines(name); });
  // A file whose name leaves no host (".nfo") gives no row: a row without a host is never found by
  // the existence test, so each run would add another.
  if (host.empty()) return false;
  // Only a file without an address line needs the look-up.
  common::Text line12;
  if (info.size() == 11 || info.size() == 12) line12 = platform::GetHostIP(host, folder.codepage());
  CompleteInfoLines(info, line12);

  if (HostHasRows(ADOQuery, host)) return false;

  log.Log(host);
  // The row is checked whole before the insert, so that a bad value is the file's failure and not the
  // store's.
  const UsersRow row = WorkstationFileStep([&] {
    UsersRow checked = InfoOnlyRow(host, info);
    RequireWholeNumbers(checked);
    return checked;
  });
  ExecuteInsert(ADOCommand, row);
  return true;
}

}  // namespace survey
