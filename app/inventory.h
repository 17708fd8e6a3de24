#pragma once

#include "app/refresh_run.h"
#include "common/log_sink.h"
#include "common/settings.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "store/command.h"
#include "store/connection.h"
#include "store/query.h"
#include "store/table.h"

namespace app {

// The inventory's working half, shared by the window and the unattended program: the one database
// connection with the four data components bound to it, the first-activation procedure and the stages
// of the refresh run. The shells own one Inventory each and add what is theirs (the button, the log
// box, the message box, standard output).
class Inventory : public RefreshStages {
 public:
  // Every file is reached through `files`; `log` receives the importers' log lines. Both must
  // outlive the inventory. The folders end in a path separator; the defaults are the fixed settings
  // of the installation.
  Inventory(platform::FileSystem& files, common::LogSink& log,
            common::Text survey_folder = common::settings::kSurveyFolder,
            common::Text database_folder = common::settings::kDatabaseFolder);
  ~Inventory() override;
  Inventory(const Inventory&) = delete;
  Inventory& operator=(const Inventory&) = delete;

  const common::Text& survey_folder() const { return survey_folder_; }
  const common::Text& database_folder() const { return database_folder_; }

  // The first-activation procedure: points ADOConnection at the database folder and creates USERS with
  // its indexes when users.dbf is missing there. Errors propagate. Running it once per start is the
  // caller's part.
  // Holds the database folder's lock meanwhile: throws common::Error "The database folder "<folder>"
  // is in use by another refresh run" when another run holds it (platform::FolderLock).
  virtual void FormActivate();

  // One refresh run over the survey folder with this inventory's stages (see RunRefresh), under the
  // database folder's lock as FormActivate. The folder is opened and listed afresh for each run.
  void Refresh();

  void GetExchange() override;
  void AddData(const common::Text& path) override;
  void AddInfoData(const common::Text& path) override;
  void MergeContacts() override;
  void CloseConnectionIfConnected() override;

  // The data components, named as their failures name them. The connection comes first: the others
  // bind to it when they are built and are destroyed before it.
  store::Connection ADOConnection;
  store::Command ADOCommand{"ADOCommand", ADOConnection};
  store::Query ADOQuery{"ADOQuery", ADOConnection};
  store::Table Table{"Table", ADOConnection};
  store::Query ADOQueryL{"ADOQueryL", ADOConnection};

 private:
  // The survey folder of the run under way, or of the stage called on its own.
  survey::SurveyFolder& Survey();

  platform::FileSystem& files_;
  common::LogSink& log_;
  common::Text survey_folder_;
  common::Text database_folder_;
  std::unique_ptr<survey::SurveyFolder> survey_;
};

}  // namespace app
