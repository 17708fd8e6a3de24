#include "store/connection.h"

#include <algorithm>

#include "common/error.h"
#include "platform/system_error.h"
#include "store/component_error.h"
#include "store/database.h"
#include "store/inventory_database.h"

namespace store {

namespace {

// The folder after "DefaultDir=" of the one connection string this engine understands.
common::Text FolderOf(const common::Text& connection_string) {
  if (connection_string.empty()) throw common::Error(u"No connection string is set");
  common::TextView prefix = kConnectionStringPrefix;
  bool matches = connection_string.size() >= prefix.size() &&
                 common::EqualsIgnoreAsciiCase(common::ToUtf8(connection_string.substr(0, prefix.size())),
                                               common::ToUtf8(prefix));
  if (!matches) {
    throw common::Error(u"Connection string not understood: it must be \"" + common::Text(prefix) +
                        u"\" followed by the database folder");
  }
  common::Text folder = connection_string.substr(prefix.size());
  if (folder.empty()) throw common::Error(u"The connection string names no folder after \"DefaultDir=\"");
  return folder;
}

}  // namespace

Connection::Connection(platform::FileSystem& files, std::string name, std::string dbf_codepage)
    : files_(files), name_(std::move(name)), dbf_codepage_(std::move(dbf_codepage)) {}

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
  database_.reset();
}

Database& Connection::Open() {
  if (!database_) {
    database_ = AsComponent(name_, [&] {
      return std::make_unique<Database>(files_, FolderOf(connection_string_), dbf_codepage_, &written_);
    });
  }
  return *database_;
}

void Connection::Flush(platform::FileSync& sync) {
  auto fail = [&](const char16_t* what, const std::filesystem::path& path, int error) {
    return common::ComponentError(name_, common::Text(u"Cannot flush ") + what + u" \"" + platform::FsPathToText(path) +
                                             u"\". " + platform::SystemErrorText(error));
  };
  // The files first, then the names that lead to them.
  while (!written_.files.empty()) {
    auto first = written_.files.begin();
    if (int error = sync.SyncFile(*first)) throw fail(u"file", *first, error);
    written_.files.erase(first);
  }
  while (!written_.folders.empty()) {
    auto first = written_.folders.begin();
    if (int error = sync.SyncFolder(*first)) throw fail(u"folder", *first, error);
    written_.folders.erase(first);
  }
}

void Connection::Attach(Dataset* dataset) { datasets_.push_back(dataset); }

void Connection::Detach(Dataset* dataset) { std::erase(datasets_, dataset); }

}  // namespace store
