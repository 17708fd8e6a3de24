#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"
#include "survey/line_list.h"

namespace survey {

// The survey folder as one refresh run sees it: opened once, listed once (at the first question
// about its entries), every workstation file read relative to it. Names are entry names; a file's
// path in log lines and messages is the folder as given followed by the name.
class SurveyFolder {
 public:
  // `path` ends in a path separator; `files` must outlive the object. Files without a byte-order mark
  // are read in `codepage`, the code page of workstation files (see DecodeWorkstationText). A folder
  // that cannot be opened (missing, unreachable, not a folder, no permission) has no entries, and
  // reading a file in it fails with the system's reason. A folder that opens but whose listing then
  // fails is no empty folder: the first question about its entries throws platform::CannotListFolder.
  SurveyFolder(platform::FileSystem& files, common::Text path, std::string codepage);
  ~SurveyFolder();
  SurveyFolder(const SurveyFolder&) = delete;
  SurveyFolder& operator=(const SurveyFolder&) = delete;

  const common::Text& path() const { return path_; }
  const std::string& codepage() const { return codepage_; }

  // The entries that a wildcard mask matches (platform::MatchesMask), whatever they are, in the
  // listing's order.
  std::vector<common::Text> Matches(common::TextView mask);

  // Whether the listing holds `name` as anything but a folder. A link counts whatever it points to,
  // so that reading it then fails with a clear message instead of being skipped. A name listed only
  // in another case counts when the file system finds it under this one (Windows, SMB shares); throws
  // platform::CannotReadFile when the file system cannot say (no access, a network error).
  bool Lists(const common::Text& name);

  // Reads the workstation file `name` (platform::Folder::ReadForeignFile, at most
  // platform::kMaxWorkstationFileSize bytes) into a line list (see survey::ReadLines). Throws
  // common::Error "Cannot open file "<path>". <reason>".
  LineList ReadLines(const common::Text& name);

  // Whether ReadLines has read `name` in this run.
  bool WasRead(const common::Text& name) const { return read_.contains(name); }

 private:
  void List();

  common::Text path_;
  std::string codepage_;
  std::unique_ptr<platform::Folder> folder_;
  common::Text reason_;  // why the folder could not be opened
  bool listed_ = false;
  std::vector<platform::FolderEntry> entries_;
  std::unordered_map<common::Text, platform::EntryKind> kinds_;
  std::unordered_set<common::Text> upper_names_;  // every listed name upper-cased, made when first needed
  std::unordered_set<common::Text> read_;
};

}  // namespace survey
