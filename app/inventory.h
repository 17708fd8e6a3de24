#pragma once

#include "app/refresh_run.h"
#include "common/log_sink.h"
#include "common/settings.h"
#include "common/text.h"
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
  // `log` receives the importers' log lines and must outlive the inventory. The folders end in a path
  // separator; the defaults are the fixed settings of the installation.
  explicit Inventory(common::LogSink& log, common::Text survey_folder = common::settings::kSurveyFolder,
                     common::Text database_folder = common::settings::kDatabaseFolder);
  Inventory(const Inventory&) = delete;
  Inventory& operator=(const Inventory&) = delete;

  const common::Text& survey_folder() const { return survey_folder_; }
  const common::Text& database_folder() const { return database_folder_; }

  // The first-activation procedure: points ADOConnection at the database folder and creates USERS with
  // its indexes when users.dbf is missing there. Errors propagate. Running it once per start is the
  // caller's part.
  // Holds the database folder's lock meanwhile: throws common::Error "The database folder "<folder>"
  // is in use by another refresh run" when another run holds it (platform::FolderLock). The
  // connection string is set before the lock is taken, so it stays set after any failure.
  virtual void FormActivate();

  // One refresh run over the survey folder with this inventory's stages (see RunRefresh), under the
  // database folder's lock as FormActivate.
  void Refresh();

  void GetExchange() override;
  void AddData(const common::Text& path) override;
  void AddInfoData(const common::Text& path) override;
  void MergeContacts() override;
  void CloseConnectionIfConnected() override;

  // The data components, named as their failures name them. The connection comes first: the others
  // bind to it when they are built and are destroyed before it.
  store::Connection ADOConnection{"ADOConnection"};
  store::Command ADOCommand{"ADOCommand", ADOConnection};
  store::Query ADOQuery{"ADOQuery", ADOConnection};
  store::Table Table{"Table", ADOConnection};
  store::Query ADOQueryL{"ADOQueryL", ADOConnection};

 private:
  common::LogSink& log_;
  common::Text survey_folder_;
  common::Text database_folder_;
};

}  // namespace app
