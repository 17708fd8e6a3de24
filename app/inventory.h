#pragma once

#include "app/refresh_run.h"
#include "app/settings.h"
#include "common/clock.h"
#include "common/log_sink.h"
#include "common/text.h"
#include "directory/mail_directory.h"
#include "platform/file_system.h"
#include "store/command.h"
#include "store/connection.h"
#include "store/query.h"
#include "store/row_watch.h"
#include "store/table.h"

namespace app {

// The inventory's working half, shared by the window and the unattended program: the one database
// connection with the four data components bound to it, the first-activation procedure and the stages
// of the refresh run. The shells own one Inventory each and add what is theirs (the button, the log
// box, the message box, standard output).
class Inventory : public RefreshStages {
 public:
  // Every file is reached through `files`, the flush of the tables each run writes included; `clock`
  // dates the tables written; `mail` is the directory GetExchange exports; `log` receives the
  // importers' log lines; `clock` also dates the changes a run records. All four must outlive the inventory. `settings`
  // are the program's own (the folders end in a path separator).
  Inventory(platform::FileSystem& files, const common::Clock& clock, directory::MailDirectory& mail,
            common::LogSink& log, Settings settings);
  ~Inventory() override;
  Inventory(const Inventory&) = delete;
  Inventory& operator=(const Inventory&) = delete;

  const Settings& settings() const { return settings_; }
  const common::Text& survey_folder() const { return settings_.survey_folder; }
  const common::Text& database_folder() const { return settings_.database_folder; }

  // The first-activation procedure: points ADOConnection at the database folder and creates USERS with
  // its indexes when users.dbf is missing there. Errors propagate. Running it once per start is the
  // caller's part.
  // Holds the database folder's lock meanwhile: throws common::Error "The database folder "<folder>"
  // is in use by another refresh run" when another run holds it (platform::FolderLock). The
  // connection string is set before the lock is taken, so it stays set after any failure.
  // Before it returns, and also when it fails, what it wrote is flushed to stable storage (see Flush).
  virtual void FormActivate();

  // One refresh run over the survey folder with this inventory's stages (see RunRefresh), under the
  // database folder's lock as FormActivate, flushed at its end as FormActivate. The connection keeps
  // the run's changes in memory (store::Connection::SetGroupCommit) and writes them at each Commit,
  // when they pass a bound, when it closes and at the end. The survey folder is
  // opened and listed afresh for each run. `counts` and `skip` as
  // for RunRefresh; without them the first failing file ends the run.
  // With settings().history, the run ends, also after a failure, by recording in HISTORY each change
  // it made to a USERS row (store::RecordHistory, dated by the clock), compared with the row the host
  // had when the run first read USERS; nothing is written when nothing changed. A failure of that
  // recording fails a run that had succeeded; after a failed run the run's own failure propagates.
  void Refresh(RunCounts& counts, const SkipFile& skip = nullptr);
  void Refresh();

  // Removes the HISTORY rows dated more than `days_kept` days before today (by the clock) and packs the
  // table (store::PurgeHistory: its last row "*PURGED*" names the last day removed), under the
  // database folder's lock as FormActivate, flushed as FormActivate. Closes the connection first.
  // Returns the rows removed. Errors propagate.
  size_t PurgeHistory(int days_kept);

  // Flushes every table file the connection wrote, and each folder where a table was created or
  // dropped, to stable storage (store::Connection::Flush).
  void Flush();
  // Writes the changes the run under way has made to stable storage (store::Connection::Commit): the
  // shell calls it before it shows log lines, so that every file before the newest line shown is in
  // the tables. Errors propagate.
  void Commit();

  directory::ExportCounts GetExchange() override;
  void AddData(const common::Text& path) override;
  bool AddInfoData(const common::Text& path) override;
  directory::MergeCounts MergeContacts() override;
  void CloseConnectionIfConnected() override;

  // The data components, named as their failures name them. The connection comes first: the others
  // bind to it when they are built and are destroyed before it.
  store::Connection ADOConnection;
  store::Command ADOCommand{"ADOCommand", ADOConnection};
  store::Query ADOQuery{"ADOQuery", ADOConnection};
  store::Table Table{"Table", ADOConnection};
  store::Query ADOQueryL{"ADOQueryL", ADOConnection};

 private:
  // Runs `step`, then flushes; after a failure the flush is tried too, and the step's failure is the
  // one that propagates.
  template <typename Step>
  void FlushingAfter(Step step);

  // The survey folder of the run under way, or of a stage called on its own.
  survey::SurveyFolder& Survey();
  // Appends the changes `watch` has seen to HISTORY; the connection is left open or closed as it was.
  void RecordHistory(const store::RowWatch& watch);

  platform::FileSystem& files_;
  directory::MailDirectory& mail_;
  common::LogSink& log_;
  Settings settings_;
  const common::Clock& clock_;
  std::unique_ptr<survey::SurveyFolder> survey_;
};

}  // namespace app
