#pragma once

#include <map>
#include <memory>
#include <string>

#include "common/text.h"
#include "platform/codepage.h"
#include "platform/file_system.h"
#include "store/table_writer.h"

namespace store {

// The tables of one database folder that statements have used while the connection is open, each
// read once: the engine takes itself for the tables' only writer meanwhile, as the database folder's
// lock keeps other refresh runs out. Owned by the connection's engine and forgotten with it.
class TableCache {
 public:
  // `folder` and `clock` must outlive the cache; `shown` is the folder as messages name it;
  // `default_codepage` decodes a table whose header names no code page; `clock` dates each write.
  TableCache(platform::Folder& folder, common::Text shown, const platform::Codepage& default_codepage,
             const common::Clock& clock)
      : folder_(folder), shown_(std::move(shown)), default_codepage_(default_codepage), clock_(clock) {}

  // The file name of a table: its name in lower case with ".dbf".
  static common::Text FileNameOf(const std::string& table);

  // The open table `table` (upper case), opened and read at its first use. Throws TableNotFound.
  TableWriter& Acquire(const std::string& table);
  // Forgets the table and removes its file; returns the file's name. Throws TableNotFound or
  // platform::CannotDeleteFile.
  common::Text Drop(const std::string& table);
  // Whether the folder holds a file for `table`.
  bool Exists(const std::string& table) const;
  // Commits the pending changes of every open table (TableWriter::Commit).
  void Commit(bool durable) {
    for (auto& [name, table] : tables_) table->Commit(durable);
  }
  // Hands `watch` (nothing: none) its table, open now or when it opens (TableWriter::SetWatch).
  void SetWatch(RowWatch* watch);

 private:
  platform::Folder& folder_;
  common::Text shown_;
  const platform::Codepage& default_codepage_;
  const common::Clock& clock_;
  std::map<std::string, std::unique_ptr<TableWriter>> tables_;
  RowWatch* watch_ = nullptr;
};

}  // namespace store
