#pragma once

#include <filesystem>

// Forcing written data to stable storage. The database connection goes through this object at the end
// of a run (store::Connection::Flush), so that a run reports success only once its tables would
// survive a power cut; a test hands in a recording object instead of the system's.
namespace platform {

class FileSync {
 public:
  virtual ~FileSync() = default;

  // Forces the contents and size of the existing file at `path` to stable storage. Returns 0 or the
  // system's error code (see platform::SystemErrorText).
  virtual int SyncFile(const std::filesystem::path& path) = 0;

  // Forces the entries of `folder` (names created, renamed or removed there) to stable storage.
  // Returns 0 or the system's error code. Windows offers no way to flush a folder: there this does
  // nothing and returns 0, and a new table's name is as durable as the file system makes it.
  virtual int SyncFolder(const std::filesystem::path& folder) = 0;
};

// The system's own: fsync on POSIX, FlushFileBuffers on Windows. Keeps nothing between calls.
FileSync& SystemFileSync();

}  // namespace platform
