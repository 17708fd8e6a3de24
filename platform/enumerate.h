#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "common/text.h"

namespace platform {

// Lists the entries of a folder that a wildcard pattern matches, as the refresh run's search for
// survey and info files does. `pattern` is a folder followed by a file mask ("<folder>/*.txt"); the
// folder part ends at the last path separator ("/" on POSIX, where "\" is an ordinary character of
// a name; "/" or "\" on Windows), and without one the mask applies to the current folder. The mask knows "*"
// (any run of characters, also none) and "?" (one character) and matches without regard to case,
// so PC-12.TXT matches "*.txt" while y.txtx does not.
//
// Every matching entry is visited, whatever it is: files, folders, hidden and dot entries, symbolic
// links (by their own name, never followed), devices and pipes. "." and ".." are skipped. Entries come
// in the order the file system lists them, unsorted. `visit` gets the entry's name alone (not the
// path), decoded losslessly with common::PathToText, so a name that is not valid UTF-8 opens again
// through common::TextToPath. Nothing is opened or examined beyond the folder listing itself.
//
// When the folder cannot be opened (missing, unreachable, not a folder, no permission) nothing is
// visited and nothing is reported; a read error ends the listing quietly in the same way. An exception
// thrown by `visit` ends the listing and propagates; the folder is closed either way.
void EnumerateMatches(const common::Text& pattern, const std::function<void(const common::Text& name)>& visit);

// One entry of a folder listing with what the listing tells of it.
struct ListedEntry {
  common::Text name;            // as for EnumerateMatches
  bool regular_file = false;    // a plain file: not a folder, link, device or pipe
  // Last modification, in seconds since 1970-01-01 UTC (whole seconds, rounded down); empty when the
  // entry vanished between the listing and the look at it.
  std::optional<int64_t> modified;
};

// Lists every entry of `folder` (a folder path ending in a path separator) once, in the file
// system's order, "." and ".." skipped, as EnumerateMatches with the mask "*" would, and tells each
// entry's kind and modification time. On Windows both come with the search itself (FindFirstFileW);
// on POSIX from one fstatat per entry relative to the open folder, without following a link (a link
// is reported as what it is, never as its target). Nothing is opened but the folder. An unreadable
// folder gives no entries; an exception thrown by `visit` propagates.
void EnumerateFolder(const common::Text& folder, const std::function<void(const ListedEntry& entry)>& visit);

}  // namespace platform
