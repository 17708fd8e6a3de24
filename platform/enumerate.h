#pragma once

#include <functional>

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

}  // namespace platform
