#include "survey/survey_import.h"

#include "store/statements.h"
#include "survey/info_lines.h"
#include "survey/read_lines.h"
#include "survey/users_row.h"
#include "survey/workstation_file_error.h"

namespace survey {

void AddData(SurveyFolder& folder, const common::Text& name, store::Command& ADOCommand, common::LogSink& log) {
  log.Log(folder.path() + name);

  // Everything that can make the insert fail is found out before the host's rows go.
  const UsersRow row = WorkstationFileStep([&] {
    const common::Text info_name = CompanionInfoPath(name);
    LineList info = folder.Lists(info_name) ? folder.ReadLines(info_name) : DefaultInfoLines();
    CompleteInfoLines(info, u"");
    const LineList survey = folder.ReadLines(name);
    UsersRow checked = SurveyRow(survey, info);
    RequireWholeNumbers(checked);
    return checked;
  });

  ADOCommand.SetText(store::kDeleteHostRows);
  ADOCommand.Param("HOST").SetText(ValueOf(row, "HOST"));
  ADOCommand.Execute();

  ExecuteInsert(ADOCommand, row);
}

}  // namespace survey
