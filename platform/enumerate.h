#pragma once

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

}  // namespace platform
