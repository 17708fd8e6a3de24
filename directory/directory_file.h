#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "common/text.h"
#include "platform/file_system.h"

// What the two directory readers share: reading an export file from outside with a size bound,
// turning its byte-order mark into UTF-8, splitting it into lines, and naming a fault by its line.
namespace directory {

// Exports larger than this are refused rather than read.
inline constexpr size_t kMaxDirectoryFileSize = 64u << 20;

// The whole file as bytes, read through `files` as a file from outside (platform::Folder::
// ReadForeignFile): no links followed, no blocking, regular files only, within kMaxDirectoryFileSize.
// Throws common::Error "Cannot open file "<path>". <reason>" ("Not a regular file", "File too large
// (the limit is 67108864 bytes)", or the system's text).
std::string ReadDirectoryFile(platform::FileSystem& files, const common::Text& path);

// A password file's content without one trailing line break (LF or CR LF), read as
// ReadDirectoryFile reads; the caller refuses an empty one.
std::string ReadPasswordFile(platform::FileSystem& files, const common::Text& path);

// Bytes with a UTF-16 byte-order mark become UTF-8; a UTF-8 mark is removed; anything else is
// returned as it stands. Throws MalformedFile for broken UTF-16 (odd length, unpaired surrogate).
std::string ToUtf8Bytes(std::string_view bytes, const common::Text& path);

// A physical line of a file, without its line break (LF or CR LF), with its 1-based number.
struct Line {
  std::string_view text;
  int number;
};
std::vector<Line> SplitLines(std::string_view bytes);

// "Cannot read file "%s". Line %d: %s" (line 0 leaves the line out).
common::Error MalformedFile(const common::Text& path, int line, common::TextView what);

// UTF-8 when the bytes are well-formed UTF-8, else `codepage` (a platform::Codepage name: the code
// page of workstation files), as older exporters write values in the system's ANSI code page. Throws
// common::Error "Unknown code page '%s'" when the bytes need a code page and `codepage` is none.
common::Text DecodeValue(std::string_view bytes, std::string_view codepage);

// ASCII case-insensitive comparison of names in the files.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

}  // namespace directory
