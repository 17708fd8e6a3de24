#pragma once

#include <filesystem>

#include <map>
#include <memory>
#include "common/text.h"
#include "tests/support/share_generator.h"

#include "app/inventory.h"
#include "app/system_clock.h"
#include "directory/mail_directory.h"
#include "tests/support/system_files.h"
#include "tests/support/test_settings.h"

namespace bench {

// The benchmarks' share of `hosts` workstations, generated once into `cache`. It holds no 11- or 12-line info files:
// the look-up of such a host takes whatever the name service takes (10 to 50 ms here for a name nobody answers), which
// would measure the name server, not this program.
inline std::filesystem::path BenchShare(const char* cache, int hosts) {
  ShareOptions options;
  options.hosts = hosts;
  options.lookup_per_mille = 0;
  return CachedShare(cache, options);
}

// The mail directory of a generated share: its directory files, read afresh by each export.
inline directory::MailDirectory& ShareMail(const std::filesystem::path& share) {
  static std::map<std::filesystem::path, std::unique_ptr<directory::DirectoryFiles>> mails;
  std::unique_ptr<directory::DirectoryFiles>& mail = mails[share];
  if (!mail) {
    mail = std::make_unique<directory::DirectoryFiles>(
        testing_support::SystemFiles(), common::PathToText(GalFile(share).string()),
        common::PathToText(ContactsFile(share).string()), "windows-1251");
  }
  return *mail;
}

// The system's clock, as the programs hand it down.
inline const common::Clock& BenchClock() {
  static const app::SystemClock clock;
  return clock;
}

}  // namespace bench
