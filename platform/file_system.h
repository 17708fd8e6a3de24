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

// <windows.h> defines ReplaceFile as a macro for ReplaceFileW; the seam's call of that name is meant
// here. A file that includes <windows.h> after this header and calls Folder::ReplaceFile undefines it
// again.
#ifdef ReplaceFile
#undef ReplaceFile
#endif

// The one way the core reaches files: a FileSystem object that app/ builds and hands down, the folders
// it opens and the files opened relative to them.
//
// The error model: every call either does what it says or throws the one common::Error its contract
// names, built here with the full path and the system's reason (the texts are the factories below).
// "Not there" (a missing file or folder) is the only failure that may come back as an empty answer,
// and only where the contract says so. A test wraps the object to make any call fail
// (tests/support/fault_file_system.h).
//
// Threads: the system's file system, its folders and its files may be used from several threads at
// once (the report lists the survey folder on one thread while it reads tables on another); a File's
// reads and writes are positioned, so they do not move each other. Two threads writing the same bytes
// of one file get one of the two. A test double need not allow it.
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

// An open folder. Files are found relative to it, by name alone. On POSIX it stays the same folder while
// open even when its path is renamed meanwhile; on Windows, where files are found by the folder's path,
// the folder cannot be renamed or removed while it is open (the system refuses it to anyone).
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

  // The size of the entry `name` as it stands (a link is not followed: the link's own size), or nothing
  // when there is no such entry ("No such file or directory", "Not a directory") or it is a folder.
  // Throws CannotReadFile for any other failure to look (no access, a network error): "could not
  // look" is never taken for "not there".
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
  // waiting, held until the returned object goes (or the process ends). A link at `name` is not
  // followed; a lock file that another user made and this one may only read is locked all the same.
  // Nothing is returned only when the file system keeps no locks. Throws FolderInUse(path()) when
  // another holder has the lock, CannotLockFile for any other failure (also when the file can be
  // neither opened nor created: "Permission denied", "Read-only file system").
  virtual std::unique_ptr<File> LockFile(const common::Text& name) = 0;

  // Forces the folder's entries (names created, renamed or removed) to stable storage. Throws
  // CannotFlushFolder. Where the system has no way to flush a folder (Windows; a POSIX file system
  // that answers EINVAL) this does nothing: a new file's name is then as durable as the file system
  // makes it.
  virtual void Sync() = 0;

  // Writes the file `name` holding `bytes`, replacing whatever file is there: the bytes go to a hidden file
  // beside it under a name nobody can predict, created exclusively, which is then renamed over `name`.
  // A link at `name` is replaced, never followed. On failure the file that was there stays as it was.
  // Throws CannotCreateFile or CannotWriteFile.
  virtual void ReplaceFile(const common::Text& name, std::string_view bytes) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens the folder at `path` (a final separator is optional). Throws CannotOpenFolder with the
  // system's reason, or "It is not a folder" when something else is there.
  virtual std::unique_ptr<Folder> OpenFolder(const common::Text& path) = 0;
};

// The operating system's own file system: POSIX calls relative to folder descriptors, or Windows
// handles. Holds nothing; programs make one in main() and hand it down.
class SystemFileSystem : public FileSystem {
 public:
  std::unique_ptr<Folder> OpenFolder(const common::Text& path) override;
};

// The failure of FileSystem::OpenFolder: "Cannot open folder "%s". %s", with the path as given. The
// reason is kept apart for a caller that words the failure its own way ("Cannot open the database
// folder ...", or "Cannot open file ..." for a file in a folder that cannot be opened).
class CannotOpenFolder : public common::Error {
 public:
  CannotOpenFolder(common::TextView path, common::TextView reason);
  const common::Text& reason() const { return reason_; }

 private:
  common::Text reason_;
};

// The error texts of the seam, each with the full path and the reason.
common::Error CannotReadFile(common::TextView path, common::TextView reason);     // "Cannot read file "%s". %s"
common::Error CannotWriteFile(common::TextView path, common::TextView reason);    // "Cannot write file "%s". %s"
common::Error CannotCreateFile(common::TextView path, common::TextView reason);   // "Cannot create file "%s". %s"
common::Error CannotDeleteFile(common::TextView path, common::TextView reason);   // "Cannot delete file "%s". %s"
common::Error CannotLockFile(common::TextView path, common::TextView reason);     // "Cannot lock file "%s". %s"
common::Error CannotListFolder(common::TextView path, common::TextView reason);   // "Cannot list folder "%s". %s"
common::Error CannotFlushFile(common::TextView path, common::TextView reason);    // "Cannot flush file "%s". %s"
common::Error CannotFlushFolder(common::TextView path, common::TextView reason);  // "Cannot flush folder "%s". %s"
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
