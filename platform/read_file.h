#pragma once

#include <cstddef>
#include <string>

#include "common/text.h"

namespace platform {

// The largest workstation file that is read. Survey and info files hold a few hundred bytes; the
// share is writable by every workstation, so anything much larger is refused rather than read whole.
inline constexpr std::size_t kMaxWorkstationFileSize = 1024 * 1024;

// Reads the whole of an existing regular file of at most `max_size` bytes into memory, opened for
// reading only. The file is never followed through a symbolic link, and opening it never blocks: a
// symbolic link, a folder, a FIFO, a socket or a device cannot be opened. A file that another program
// holds an exclusive lock on cannot be opened either. A larger file is refused before it is read.
// Throws common::Error "Cannot open file "<path>". <reason>", the reason being the system's text for
// the failure ("No such file or directory", "Is a directory", "Too many levels of symbolic links"),
// "Not a regular file", or "File too large (the limit is <max_size> bytes)".
std::string ReadRegularFile(const common::Text& path, std::size_t max_size);

// A survey or info file: ReadRegularFile within kMaxWorkstationFileSize.
inline std::string ReadWorkstationFile(const common::Text& path) {
  return ReadRegularFile(path, kMaxWorkstationFileSize);
}

// True when something other than a folder exists at `path`, false when nothing does (the path or
// one of its folders is not found). A symbolic link counts as existing whatever it points to, so
// that reading it then fails with a clear message instead of being skipped. Any other failure to
// look (no access, a network error) is no answer: throws common::Error "Cannot open file "<path>".
// <reason>" with the system's text.
bool FileExists(const common::Text& path);

}  // namespace platform
