#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// A synthetic survey share as a large organisation's workstations leave it, for benchmarks and for
// tests that need many hosts: survey and info files in the encodings and line-break styles that
// workstations write, hosts known only by their info file, surveyed hosts without one, short and long
// info files, and the organisation's directory (an LDIF global address list and a vCard contacts
// file) whose names match most, but not all, of the surveyed people. The same options always give
// the same bytes.
namespace bench {

struct ShareOptions {
  int hosts = 1000;  // workstations that left a survey file
  uint32_t seed = 1;
  int info_only_percent = 10;    // further hosts known only by an info file, as a share of `hosts`
  int without_info_percent = 5;  // surveyed hosts that left no info file
  // Info files of 11 or 12 lines make the info-only import look the host's name up in the name
  // service, which costs milliseconds each; their hosts are named under the reserved ".invalid"
  // domain so that no real machine answers. Per mille of the info files.
  int lookup_per_mille = 2;
  int directory_percent = 90;  // surveyed people listed in the global address list
  int contacts_percent = 80;   // surveyed people in the contacts file (with a work telephone)
};

struct ShareSummary {
  int survey_files = 0;
  int info_files = 0;
  int gal_entries = 0;
  int contacts = 0;
  uint64_t bytes = 0;                        // of every file written
  std::vector<std::filesystem::path> files;  // every file written, the directory's included
};

// Where a generated share keeps its directory files.
std::filesystem::path GalFile(const std::filesystem::path& share);
std::filesystem::path ContactsFile(const std::filesystem::path& share);

// Writes the share into the existing folder `share`: <HOST>.txt and <HOST>.nfo files and the
// directory files in its subfolder "directory". Throws std::runtime_error when a file cannot be
// written.
ShareSummary WriteShare(const std::filesystem::path& share, const ShareOptions& options);

// A share generated once under `cache_root` and reused while its options stay the same (a finished
// share carries a stamp file naming them). Returns the share's folder.
std::filesystem::path CachedShare(const std::filesystem::path& cache_root, const ShareOptions& options);

// The share's workstation and directory files, as WriteShare listed them (for a cached share).
std::vector<std::filesystem::path> ShareFiles(const std::filesystem::path& share);

}  // namespace bench
