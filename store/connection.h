#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/text.h"
#include "platform/file_system.h"
#include "store/database.h"
#include "store/row_watch.h"

namespace store {

// The one database connection. It is never opened explicitly: the first statement, query or table
// that needs it opens it, and it stays open until Close(). Closing it closes the queries and the
// table still open on it, and forgets what the engine knew of the tables. Every file access goes
// through `files`, which must outlive the connection, and each table written is dated by `clock`
// (which must outlive it too). `name` names the component in messages;
// `dbf_codepage` is the code page of an existing table whose header names none (a platform::Codepage
// name, looked up when the connection opens: "<name>: Unknown code page '%s'" when it is none).
class Connection {
 public:
  Connection(platform::FileSystem& files, const common::Clock& clock, std::string name, std::string dbf_codepage);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const std::string& name() const { return name_; }
  platform::FileSystem& files() const { return files_; }
  const common::Clock& clock() const { return clock_; }

  // Sets the connection string; the connection is not opened here. The string is checked when the
  // connection opens: it must name the dBase driver and end in "DefaultDir=<folder>", else opening
  // throws "ADOConnection: <reason>".
  void SetConnectionString(const common::Text& text);
  const common::Text& ConnectionString() const { return connection_string_; }

  bool Connected() const;
  // Commits (see Commit), then closes. A failure of the commit leaves the connection open.
  void Close();

  // Group commit, while on: statements keep their changes in memory, and Commit writes them, each
  // table in few large writes (store::Database). Off (the default), each statement writes its changes
  // before it returns. Kept across closing and opening again; turning it off commits.
  void SetGroupCommit(bool on);
  // Writes the changes that statements and tables on this connection have made and not yet written;
  // with group commit on they are on stable storage when it returns. Nothing while closed. Throws
  // "<name>: <the file's error>"; what was not written stays pending for the next Commit.
  void Commit();

  // Commits, then forces to stable storage every table file that statements and tables on this
  // connection have written since the last Flush (closing the connection in between forgets nothing), each opened
  // again through the connection's file system (platform::File::Sync), then each folder where a table
  // was created or dropped (platform::Folder::Sync); then forgets them. Open or closed, the connection
  // stays as it is. Throws "<name>: Cannot flush file "<path>". <reason>" (or "folder", also when the
  // folder cannot be opened), or "<name>: Cannot open file "<path>". <reason>" for a written table
  // that is gone, at the first failure; what was not flushed then is kept for the next Flush.
  void Flush();

  // Hands `watch` (nothing: none) the rows of its table from now on, while the connection is open and
  // each time it opens again (RowWatch). It must outlive its use; a run sets it at its start and takes
  // it away at its end.
  void SetRowWatch(RowWatch* watch);

  // Opens the connection when it is not yet open and returns the engine behind it. Used by the
  // components bound to this connection.
  Database& Open();

  // Called with the component's name and the statement text each time a statement executes or a
  // query opens on this connection, before the engine runs it: a seam for tests and diagnostics.
  using Trace = std::function<void(std::string_view component, const common::Text& text)>;
  void SetTrace(Trace trace) { trace_ = std::move(trace); }
  void TraceStatement(std::string_view component, const common::Text& text) const {
    if (trace_) trace_(component, text);
  }

  // The components register themselves so that Close() can close them.
  class Dataset {
   public:
    virtual ~Dataset() = default;
    virtual void CloseDataset() = 0;
  };
  void Attach(Dataset* dataset);
  void Detach(Dataset* dataset);

 private:
  platform::FileSystem& files_;
  const common::Clock& clock_;
  std::string name_;
  std::string dbf_codepage_;
  common::Text connection_string_;
  std::unique_ptr<Database> database_;
  WrittenFiles written_;
  RowWatch* watch_ = nullptr;
  bool group_commit_ = false;
  std::vector<Dataset*> datasets_;
  Trace trace_;
};

}  // namespace store
