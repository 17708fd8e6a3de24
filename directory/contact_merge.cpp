#include "directory/contact_merge.h"

#include "store/statements.h"

namespace directory {
namespace {

void MergePass(store::Query& query, store::Command& command, const char16_t* select, const char16_t* update,
               std::string_view value_field, std::string_view value_parameter) {
  query.SetText(select);
  query.Open();
  query.First();
  for (; !query.Eof(); query.Next()) {
    common::Text fio = query.FieldText("FIO");
    // A nameless export row would otherwise write its value into every row whose name is empty.
    if (common::Trim(fio).empty()) continue;
    command.SetText(update);
    command.Param("FIO").SetText(fio, 70);
    command.Param(value_parameter).SetText(query.FieldText(value_field), 70);
    command.Execute();
  }
}

}  // namespace

void MergeContacts(store::Query& query, store::Command& command) {
  MergePass(query, command, store::kSelectMexport, store::kUpdateEmail, "EMAIL", "EMAIL");
  MergePass(query, command, store::kSelectTexport, store::kUpdateTel2, "TEL", "TEL2");
}

}  // namespace directory
