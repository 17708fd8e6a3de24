#include "survey/survey_import.h"

#include "platform/read_file.h"
#include "store/statements.h"
#include "survey/info_lines.h"
#include "survey/read_lines.h"
#include "survey/users_row.h"
#include "survey/workstation_file_error.h"

namespace survey {

void AddData(const common::Text& path, store::Command& ADOCommand, common::LogSink& log) {
  log.Log(path);

  // Everything that can make the insert fail is found out before the host's rows go.
  const UsersRow row = WorkstationFileStep([&] {
    const common::Text info_path = CompanionInfoPath(path);
    LineList info = platform::FileExists(info_path) ? ReadLines(info_path) : DefaultInfoLines();
    CompleteInfoLines(info, u"");
    const LineList survey = ReadLines(path);
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
