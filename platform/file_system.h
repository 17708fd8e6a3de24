#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/text.h"

// The one way the core reaches files: a FileSystem object that app/ builds and hands down, the folders
// it opens and the files opened relative to them. Every failure is a common::Error that names the
// file and gives the system's reason; the texts are the factories below. A test wraps the object to
// make any call fail (tests/support/fault_file_system.h).
namespace platform {

// The largest workstation file that is read. Survey and info files hold a few hundred bytes; the
// share is writable by every workstation, so anything much larger is refused rather than read whole.
inline constexpr std::size_t kMaxWorkstationFileSize = 1024 * 1024;

// What identifies one state of a file on disk; a change in any member means another program (or
// another handle) may have written it. `device` and `inode` identify the file itself.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  uint64_t size = 0;
  int64_t modified_ns = 0;
  int64_t changed_ns = 0;
  bool operator==(const FileIdentity&) const = default;
};

// One open file with positioned I/O; nothing is buffered in this process. Closed with the object.
class File {
 public:
  virtual ~File() = default;

  // The folder's path followed by the file's name, as messages quote it.
  virtual const common::Text& path() const = 0;
  // False when the system allowed opening for reading only.
  virtual bool writable() const = 0;

  // Throws CannotReadFile.
  virtual FileIdentity Identity() = 0;
  // Reads up to `length` bytes at `offset`: the count read, 0 at the end of the file. Throws
  // CannotReadFile.
  virtual size_t ReadAt(uint64_t offset, char* data, size_t length) = 0;
  // Writes up to `bytes.size()` bytes at `offset`: the count written, which may be less (a full
  // disk), but never 0 for a non-empty write. Throws CannotWriteFile, also for a file opened for
  // reading only ("Permission denied").
  virtual size_t WriteAt(uint64_t offset, std::string_view bytes) = 0;
  // Forces what was written to the file, whichever handle wrote it, to stable storage. Throws
  // CannotFlushFile.
  virtual void Sync() = 0;
};

enum class EntryKind { kFile, kFolder, kLink, kOther };  // kOther: a device, a pipe, a socket

struct FolderEntry {
  common::Text name;  // decoded losslessly (common::PathToText on POSIX)
  EntryKind kind = EntryKind::kOther;
  // Last modification, in seconds since 1970-01-01 UTC (whole seconds, rounded down), when the listing
  // was asked for times; empty otherwise, and when the entry vanished before it was looked at.
  std::optional<int64_t> modified;
};

// An open folder. Files are found relative to it, by name alone; it stays the same folder while open
// even when its path is renamed meanwhile.
class Folder {
 public:
  virtual ~Folder() = default;

  // The folder's path ending in a separator; a file's path is this followed by its name.
  virtual const common::Text& path() const = 0;

  // Every entry but "." and "..", in the file system's order, as the listing itself tells its kind
  // (a link is a link, never followed). With `modification_times`, each entry also gets its time:
  // on Windows from the search itself, on POSIX from one look per entry relative to the open folder
  // (never through a link; the kind then comes from that look too), which a refresh run does not
  // pay for. Throws CannotListFolder.
  virtual std::vector<FolderEntry> List(bool modification_times = false) = 0;

  // Opens an existing file for reading and writing, or for reading only when the system refuses
  // writing. Throws common::CannotOpenFile.
  virtual std::unique_ptr<File> OpenTable(const common::Text& name) = 0;

  // Reads the whole of an existing regular file that anyone may have put there, opened for reading
  // only. It is never followed through a symbolic link and opening it never blocks: a link, a folder,
  // a FIFO, a socket or a device cannot be opened. A file that another program holds an exclusive
  // lock on (a writer at work) is refused, and so is a file larger than `limit`, before it is read.
  // `listed_as_file`: the folder's listing has just shown a regular file under this name, so the look
  // before opening is left out (the open and the open file are still checked).
  // Throws common::CannotOpenFile with the system's text for the failure ("No such file or
  // directory", "Is a directory", "Too many levels of symbolic links"), "Not a regular file", or
  // "File too large (the limit is <limit> bytes)"; CannotReadFile when reading fails.
  virtual std::string ReadForeignFile(const common::Text& name, size_t limit, bool listed_as_file = false) = 0;

  // The size of the file `name` (through a link), or nothing when it is a folder or cannot be examined.
  virtual std::optional<uint64_t> SizeOf(const common::Text& name) = 0;

  // Writes a new file holding `bytes` atomically and without replacing anything: the bytes go to a
  // hidden file beside it, which is then renamed to it. Where the file system can neither rename
  // without replacing nor link (an SMB share through FUSE), the name is first claimed by an exclusive
  // create and the hidden file renamed over that claim: then the caller must keep other writers of
  // the folder out (the database folder's lock), and a process killed between the claim and the
  // rename leaves an empty file. Throws CannotCreateFile (also when the name is taken) or
  // CannotWriteFile.
  virtual void CreateNewFile(const common::Text& name, std::string_view bytes) = 0;

  // Throws CannotDeleteFile.
  virtual void Remove(const common::Text& name) = 0;

  // Creates the file `name` when it is missing and takes an exclusive advisory lock on it without
  // waiting, held until the returned object goes (or the process ends). Nothing is returned when the
  // file cannot be created or the file system keeps no locks. Throws FolderInUse(path()) when another
  // holder has the lock, CannotLockFile for any other failure.
  virtual std::unique_ptr<File> LockFile(const common::Text& name) = 0;

  // Forces the folder's entries (names created, renamed or removed) to stable storage. Throws
  // CannotFlushFolder. Where the system has no way to flush a folder (Windows; a POSIX file system
  // that answers EINVAL) this does nothing: a new file's name is then as durable as the file system
  // makes it.
  virtual void Sync() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens the folder at `path` (a final separator is optional). Nothing when it cannot be opened;
  // `reason` then gets the system's text, or "It is not a folder" for something else.
  virtual std::unique_ptr<Folder> OpenFolder(const common::Text& path, common::Text* reason = nullptr) = 0;
};

// The operating system's own file system: POSIX calls relative to folder descriptors, or Windows
// handles. Holds nothing; programs make one in main() and hand it down.
class SystemFileSystem : public FileSystem {
 public:
  std::unique_ptr<Folder> OpenFolder(const common::Text& path, common::Text* reason = nullptr) override;
};

// The error texts of the seam, each with the full path and the reason.
common::Error CannotReadFile(common::TextView path, common::TextView reason);    // "Cannot read file "%s". %s"
common::Error CannotWriteFile(common::TextView path, common::TextView reason);   // "Cannot write file "%s". %s"
common::Error CannotCreateFile(common::TextView path, common::TextView reason);  // "Cannot create file "%s". %s"
common::Error CannotDeleteFile(common::TextView path, common::TextView reason);  // "Cannot delete file "%s". %s"
common::Error CannotLockFile(common::TextView path, common::TextView reason);    // "Cannot lock file "%s". %s"
common::Error CannotListFolder(common::TextView path, common::TextView reason);  // "Cannot list folder "%s". %s"
common::Error CannotFlushFile(common::TextView path, common::TextView reason);   // "Cannot flush file "%s". %s"
common::Error CannotFlushFolder(common::TextView path, common::TextView reason); // "Cannot flush folder "%s". %s"
// "The database folder "%s" is in use by another refresh run".
common::Error FolderInUse(common::TextView folder);
// "File too large (the limit is %d bytes)": the reason of a refused workstation or directory file.
common::Text FileTooLarge(size_t limit);

// Text <-> std::filesystem::path, losslessly (on POSIX through common::PathToText/TextToPath).
std::filesystem::path TextToFsPath(common::TextView text);
common::Text FsPathToText(const std::filesystem::path& path);

// The folder part of a full path (up to and with its last separator) and the name after it.
struct SplitPath {
  common::Text folder;
  common::Text name;
};
SplitPath SplitFolder(const common::Text& path);

}  // namespace platform
