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

// The text of `bytes` as UTF-8: bytes with a UTF-16 byte-order mark are converted into `storage`
// and the result views it; a UTF-8 mark is left out; anything else is viewed as it stands. Throws
// MalformedFile for broken UTF-16 (odd length, unpaired surrogate).
std::string_view Utf8Text(std::string_view bytes, const common::Text& path, std::string& storage);

// A physical line of a file, without its line break (LF or CR LF), with its 1-based number.
struct Line {
  std::string_view text;
  int number;
};

// The lines of a text one at a time, the next one always in view: a line ends at LF, and a CR
// before the LF is left out; a last line without LF is a line, an empty text has none.
class LineReader {
 public:
  explicit LineReader(std::string_view bytes) : rest_(bytes) { Advance(); }

  bool AtEnd() const { return at_end_; }
  // The next line, still to be taken; only when !AtEnd().
  const Line& Peek() const { return next_; }
  Line Take() {
    Line line = next_;
    Advance();
    return line;
  }

 private:
  void Advance() {
    at_end_ = rest_.empty();
    if (at_end_) return;
    size_t end = rest_.find('\n');
    std::string_view text = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    if (text.ends_with('\r')) text.remove_suffix(1);
    next_ = {text, next_.number + 1};
  }

  std::string_view rest_;
  Line next_{{}, 0};
  bool at_end_ = true;
};

// "Cannot read file "%s". Line %d: %s" (line 0 leaves the line out).
common::Error MalformedFile(const common::Text& path, int line, common::TextView what);

// UTF-8 when the bytes are well-formed UTF-8, else `codepage` (a platform::Codepage name: the code
// page of workstation files), as older exporters write values in the system's ANSI code page. Throws
// common::Error "Unknown code page '%s'" when the bytes need a code page and `codepage` is none.
common::Text DecodeValue(std::string_view bytes, std::string_view codepage);

// ASCII case-insensitive comparison of names in the files.
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);

}  // namespace directory
