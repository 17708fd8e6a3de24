#pragma once

#include <filesystem>

#include "tests/support/share_generator.h"
#include "common/text.h"
#include "directory/outlook_stand_in.h"
#include "tests/support/system_files.h"

namespace bench {

// The benchmarks' share of `hosts` workstations, generated once into `cache`, with the mail client's
// stand-in reading its directory files. It holds no 11- or 12-line info files: the look-up of such a
// host takes whatever the name service takes (10 to 50 ms here for a name nobody answers), which would
// measure the name server, not this program.
inline std::filesystem::path BenchShare(const char* cache, int hosts) {
  ShareOptions options;
  options.hosts = hosts;
  options.lookup_per_mille = 0;
  std::filesystem::path share = CachedShare(cache, options);
  directory::RegisterOutlookStandIn(testing_support::SystemFiles(), common::PathToText(GalFile(share).string()),
                                    common::PathToText(ContactsFile(share).string()), "windows-1251");
  return share;
}

}  // namespace bench
