#include "store/connection.h"

#include <algorithm>

#include "common/error.h"
#include "store/component_error.h"
#include "store/database.h"
#include "store/inventory_database.h"

namespace store {

namespace {

// The folder after "DefaultDir=" of the one connection string this engine understands.
common::Text FolderOf(const common::Text& connection_string) {
  if (connection_string.empty()) throw common::Error(u"No connection string is set");
  common::TextView prefix = kConnectionStringPrefix;
  bool matches =
      connection_string.size() >= prefix.size() &&
      common::EqualsIgnoreAsciiCase(common::ToUtf8(connection_string.substr(0, prefix.size())), common::ToUtf8(prefix));
  if (!matches) {
    throw common::Error(u"Connection string not understood: it must be \"" + common::Text(prefix) +
                        u"\" followed by the database folder");
  }
  common::Text folder = connection_string.substr(prefix.size());
  if (folder.empty()) throw common::Error(u"The connection string names no folder after \"DefaultDir=\"");
  return folder;
}

}  // namespace

Connection::Connection(platform::FileSystem& files, const common::Clock& clock, std::string name,
                       std::string dbf_codepage)
    : files_(files), clock_(clock), name_(std::move(name)), dbf_codepage_(std::move(dbf_codepage)) {}

Connection::~Connection() = default;

void Connection::SetConnectionString(const common::Text& text) {
  if (database_) throw common::ComponentError(name_, u"Operation is not allowed when the object is open");
  connection_string_ = text;
}

bool Connection::Connected() const { return database_ != nullptr; }

void Connection::Close() {
  // A dataset may detach itself while closing; walk a copy.
  std::vector<Dataset*> open = datasets_;
  for (Dataset* dataset : open) dataset->CloseDataset();
  Commit();
  database_.reset();
}

void Connection::SetGroupCommit(bool on) {
  if (database_) AsComponent(name_, [&] { database_->SetGroupCommit(on); });
  group_commit_ = on;
}

void Connection::Commit() {
  if (database_) AsComponent(name_, [&] { database_->Commit(); });
}

Database& Connection::Open() {
  if (!database_) {
    database_ = AsComponent(name_, [&] {
      return std::make_unique<Database>(files_, clock_, FolderOf(connection_string_), dbf_codepage_, &written_);
    });
    database_->SetRowWatch(watch_);
    database_->SetGroupCommit(group_commit_);
  }
  return *database_;
}

void Connection::Flush() {
  Commit();
  AsComponent(name_, [&] {
    while (!written_.folders.empty()) {
      auto& [path, written] = *written_.folders.begin();
      std::unique_ptr<platform::Folder> folder;
      try {
        folder = files_.OpenFolder(path);
      } catch (const platform::CannotOpenFolder& error) {
        throw platform::CannotFlushFolder(path, error.reason());
      }
      // The files first, then the names that lead to them.
      while (!written.files.empty()) {
        folder->OpenTable(*written.files.begin())->Sync();
        written.files.erase(written.files.begin());
      }
      if (written.entries_changed) folder->Sync();
      written_.folders.erase(written_.folders.begin());
    }
  });
}

void Connection::SetRowWatch(RowWatch* watch) {
  watch_ = watch;
  if (database_) database_->SetRowWatch(watch);
}

void Connection::Attach(Dataset* dataset) { datasets_.push_back(dataset); }

void Connection::Detach(Dataset* dataset) { std::erase(datasets_, dataset); }

}  // namespace store
