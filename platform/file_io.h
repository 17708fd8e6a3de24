#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "common/text.h"

// The file access of the dBase store, the same on every system: positioned reads and writes on an
// open file, atomic creation, deletion, folder listings and the table existence test. Failures are
// system error codes (errno on POSIX, GetLastError on Windows) that platform::SystemErrorText
// describes; the store puts them into its own messages.
namespace platform {

// Text <-> file system path, losslessly (on POSIX through common::PathToText/TextToPath).
std::filesystem::path TextToFsPath(common::TextView text);
common::Text FsPathToText(const std::filesystem::path& path);

// The codes the store reports itself: writing to a file opened for reading only, and a write that
// the system accepted only in part.
int AccessDeniedCode();
int DiskFullCode();

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

// The identity of whatever `path` names now, or nothing when it cannot be examined.
std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path);

enum class PathKind { kMissing, kFolder, kFile };

// What `path` names, following links. With kMissing, `error` gets the reason (not found, no
// permission, ...); otherwise it is 0.
// On Windows a file whose attributes cannot be read (locked, access denied) is not taken as missing:
// only "file not found", "path not found" and "invalid name" (codes 2, 3 and 123) mean absent, and
// for any other failure a directory search for the path decides.
PathKind KindOf(const std::filesystem::path& path, int& error);

// The names in `folder` (without "." and ".."), each with whether it is a folder. False, with
// nothing listed, when the folder cannot be read.
struct FolderEntry {
  std::filesystem::path name;
  bool folder = false;
};
bool ListFolder(const std::filesystem::path& folder, std::vector<FolderEntry>& entries);

// Writes a new file holding `bytes` atomically and without replacing anything: the bytes go to a
// hidden file beside `path`, which is then renamed to it. Where the file system can neither rename
// without replacing nor link (an SMB share through FUSE), `path` is first claimed by an exclusive
// create and the hidden file renamed over that claim: then the caller must keep other writers of the
// folder out (the database folder's lock), and a process killed between the claim and the rename
// leaves an empty file. Returns 0, or the error code with `in_writing` telling whether writing the
// bytes (rather than creating or renaming) failed.
int CreateNewFile(const std::filesystem::path& path, std::string_view bytes, bool& in_writing);

// Deletes a file; returns 0 or the error code.
int RemoveFile(const std::filesystem::path& path);

// One open file with positioned I/O; nothing is buffered in this process.
class RandomAccessFile {
 public:
  RandomAccessFile() = default;
  ~RandomAccessFile();
  RandomAccessFile(const RandomAccessFile&) = delete;
  RandomAccessFile& operator=(const RandomAccessFile&) = delete;

  // Opens an existing file for reading and writing, or for reading only (writable() false) when the
  // system refuses writing. Returns 0 or the error code.
  int Open(const std::filesystem::path& path);
  bool writable() const { return writable_; }

  // Returns 0 or the error code.
  int Identity(FileIdentity& identity) const;
  // Reads up to `length` bytes at `offset` into `data`: the count read (0 at the end of the file), or
  // -1 with `error` set.
  int64_t ReadAt(uint64_t offset, char* data, size_t length, int& error) const;
  // Writes up to `length` bytes at `offset`: the count written, or -1 with `error` set.
  int64_t WriteAt(uint64_t offset, const char* data, size_t length, int& error);

 private:
  intptr_t handle_ = -1;
  bool writable_ = true;
};

}  // namespace platform
