#pragma once

#include <string>
#include <vector>

#include "common/text.h"
#include "store/command.h"
#include "store/parameters.h"
#include "survey/line_list.h"

namespace survey {

// The FIO of a row made from an info file alone, in place of the person's name.
inline constexpr char16_t kNoQuestionnaireFio[] = u"АНКЕТА НЕ ЗАПОЛНЕНА";

// One parameter of the USERS insert: its name, kind, declared size and value.
struct UsersValue {
  std::string name;
  store::ParamKind kind;
  int size;
  common::Text value;
};

// The twenty values of a new USERS row in the order they are bound: HOST, USER, IP, PRINTER, FIO,
// TEL, ZDAN, ETAJ, KAB, then SPEED, TYPE, RAM, CPU, HDD, OS, OSVER, W9XVER, OSBUILD, OSID, BIOS.
using UsersRow = std::vector<UsersValue>;

// The row of a survey file and its completed info lines. Lines are read in binding order, so a
// missing line throws common::Error "List index out of bounds (<index>)" for the first one read.
// HOST is survey line 0 upper-cased; USER is survey line 1, or info line 11 when line 1 is blank;
// IP is survey line 2, or info line 12 when line 2 is empty; FIO and TEL pass through CleanFIO and
// CleanPhone.
UsersRow SurveyRow(const LineList& survey, const LineList& info);

// The placeholder row of a host known only by its info file: USER, IP and PRINTER from info lines
// 11 to 13, FIO "АНКЕТА НЕ ЗАПОЛНЕНА", TEL, ZDAN, ETAJ and KAB empty. Throws like SurveyRow.
UsersRow InfoOnlyRow(const common::Text& host, const LineList& info);

// The value bound to `name` in `row`.
const common::Text& ValueOf(const UsersRow& row, std::string_view name);

// Checks the integer values (SPEED, RAM, HDD) by the rule the store applies when it executes the
// insert (an empty value is null, any other must satisfy store::ParseIntegerText), so that a bad
// value can be refused before anything is written. Throws the store's message:
// "ADOCommand: Parameter 'SPEED' value '2.4GHz' is not a whole number", "ADOCommand: Parameter 'HDD'
// value '2147483648' is out of range (-2147483648 to 2147483647)".
void RequireWholeNumbers(const UsersRow& row);

// Sets the insert text on `command`, binds the row and executes it.
void ExecuteInsert(store::Command& command, const UsersRow& row);

}  // namespace survey
