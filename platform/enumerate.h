#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"

namespace platform {

// Whether a wildcard mask matches a name, as the refresh run's search for survey and info files
// matches: "*" is any run of characters (also none), "?" one character, and case is ignored, so
// PC-12.TXT matches "*.txt" while y.txtx does not.
bool MatchesMask(common::TextView name, common::TextView mask);

// The names among `entries` that `mask` matches, whatever the entry is (files, folders, hidden and
// dot entries, links, devices and pipes), in the listing's order.
std::vector<common::Text> MatchingNames(const std::vector<FolderEntry>& entries, common::TextView mask);

// One entry of a folder listing with what the listing tells of it.
struct ListedEntry {
  common::Text name;            // decoded losslessly, as FolderEntry::name
  bool regular_file = false;    // a plain file: not a folder, link, device or pipe
  // Last modification, in seconds since 1970-01-01 UTC (whole seconds, rounded down); empty when the
  // entry vanished between the listing and the look at it.
  std::optional<int64_t> modified;
};

// Lists every entry of `folder` (a folder path ending in a path separator) once, in the file
// system's order, "." and ".." skipped, and tells each entry's kind and modification time, for the
// report program, which only reads. On Windows both come with the search itself (FindFirstFileW);
// on POSIX from one fstatat per entry relative to the open folder, without following a link (a link
// is reported as what it is, never as its target). Nothing is opened but the folder. An unreadable
// folder gives no entries; an exception thrown by `visit` propagates.
void EnumerateFolder(const common::Text& folder, const std::function<void(const ListedEntry& entry)>& visit);

}  // namespace platform
