#include "survey/users_row.h"

#include "common/error.h"
#include "store/statements.h"
#include "store/values.h"
#include "survey/normalise.h"

namespace survey {

namespace {

constexpr int kTextSize = 70;
constexpr int kPrinterSize = 192;
constexpr int kIntegerSize = 0;
constexpr int kHddSize = 70;
constexpr char kCommandComponent[] = "ADOCommand";

void AddText(UsersRow& row, const char* name, common::Text value, int size = kTextSize) {
  row.push_back({name, store::ParamKind::kText, size, std::move(value)});
}

void AddInteger(UsersRow& row, const char* name, common::Text value, int size = kIntegerSize) {
  row.push_back({name, store::ParamKind::kInteger, size, std::move(value)});
}

// The columns both imports take from info lines 0 to 10, in binding order.
void AddMachineFacts(UsersRow& row, const LineList& info) {
  AddInteger(row, "SPEED", info.At(0));
  AddText(row, "TYPE", info.At(1));
  AddInteger(row, "RAM", info.At(2));
  AddText(row, "CPU", info.At(3));
  AddInteger(row, "HDD", info.At(4), kHddSize);
  AddText(row, "OS", info.At(5));
  AddText(row, "OSVER", info.At(6));
  AddText(row, "W9XVER", info.At(7));
  AddText(row, "OSBUILD", info.At(8));
  AddText(row, "OSID", info.At(9));
  AddText(row, "BIOS", info.At(10));
}

bool IsBlankText(common::TextView text) {
  for (char16_t c : text) {
    if (!common::IsBlank(c)) return false;
  }
  return true;
}

}  // namespace

UsersRow SurveyRow(const LineList& survey, const LineList& info) {
  UsersRow row;
  AddText(row, "HOST", common::UpperCase(survey.At(0)));
  // A blank user name falls back to the info file; an address falls back only when it is empty,
  // so a line of spaces is kept as typed.
  AddText(row, "USER", IsBlankText(survey.At(1)) ? info.At(11) : survey.At(1));
  AddText(row, "IP", survey.At(2).empty() ? info.At(12) : survey.At(2));
  AddText(row, "PRINTER", info.At(13), kPrinterSize);
  AddText(row, "FIO", CleanFIO(survey.At(3)));
  AddText(row, "TEL", CleanPhone(survey.At(4)));
  AddText(row, "ZDAN", survey.At(5));
  AddText(row, "ETAJ", survey.At(6));
  AddText(row, "KAB", survey.At(7));
  AddMachineFacts(row, info);
  return row;
}

UsersRow InfoOnlyRow(const common::Text& host, const LineList& info) {
  UsersRow row;
  AddText(row, "HOST", host);
  AddText(row, "USER", info.At(11));
  AddText(row, "IP", info.At(12));
  AddText(row, "PRINTER", info.At(13), kPrinterSize);
  AddText(row, "FIO", kNoQuestionnaireFio);
  AddText(row, "TEL", u"");
  AddText(row, "ZDAN", u"");
  AddText(row, "ETAJ", u"");
  AddText(row, "KAB", u"");
  AddMachineFacts(row, info);
  return row;
}

const common::Text& ValueOf(const UsersRow& row, std::string_view name) {
  for (const UsersValue& value : row) {
    if (value.name == name) return value.value;
  }
  throw common::ComponentError(kCommandComponent, common::FromUtf8("Parameter '" + std::string(name) + "' not found"));
}

void RequireWholeNumbers(const UsersRow& row) {
  for (const UsersValue& value : row) {
    // The store keeps an empty value as null; any other text must be a whole number in range.
    if (value.kind != store::ParamKind::kInteger || value.value.empty()) continue;
    std::optional<std::string> fault = store::IntegerTextFault(value.value);
    if (!fault) continue;
    common::Text message = common::FromUtf8("Parameter '" + value.name + "' value '");
    message += value.value;
    message += common::FromUtf8("' " + *fault);
    throw common::ComponentError(kCommandComponent, message);
  }
}

void ExecuteInsert(store::Command& command, const UsersRow& row) {
  command.SetText(store::kInsertUsersRow);
  for (const UsersValue& value : row) {
    store::Parameter& parameter = command.Param(value.name);
    parameter.SetKind(value.kind);
    parameter.SetSize(value.size);
    parameter.SetValue(value.value);
  }
  command.Execute();
}

}  // namespace survey
