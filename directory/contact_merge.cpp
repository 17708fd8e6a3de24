#include "directory/contact_merge.h"

#include <map>

#include "store/statements.h"

namespace directory {
namespace {

// Returns the rows that end the pass with a value that is not blank.
size_t MergePass(store::Query& query, store::Command& command, const char16_t* select, const char16_t* update,
                 std::string_view value_field, std::string_view value_parameter) {
  // By name: the rows it matched and whether the last value written to them has text. Every update
  // with one name matches the same rows, since the merge never changes a name.
  struct Written {
    size_t rows = 0;
    bool has_value = false;
  };
  std::map<common::Text, Written> by_name;
  query.SetText(select);
  query.Open();
  query.First();
  for (; !query.Eof(); query.Next()) {
    common::Text fio = query.FieldText("FIO");
    // A nameless export row would otherwise write its value into every row whose name is empty.
    if (common::Trim(fio).empty()) continue;
    common::Text value = query.FieldText(value_field);
    command.SetText(update);
    command.Param("FIO").SetText(fio, 70);
    command.Param(value_parameter).SetText(value, 70);
    by_name[fio] = Written{command.Execute(), !common::Trim(value).empty()};
  }
  size_t rows = 0;
  for (const auto& [name, written] : by_name) rows += written.has_value ? written.rows : 0;
  return rows;
}

}  // namespace

MergeCounts MergeContacts(store::Query& query, store::Command& command) {
  MergeCounts counts;
  counts.email_rows = MergePass(query, command, store::kSelectMexport, store::kUpdateEmail, "EMAIL", "EMAIL");
  counts.tel2_rows = MergePass(query, command, store::kSelectTexport, store::kUpdateTel2, "TEL", "TEL2");
  return counts;
}

}  // namespace directory
