#include "survey/survey_folder.h"

#include "platform/enumerate.h"
#include "survey/read_lines.h"

namespace survey {

SurveyFolder::SurveyFolder(platform::FileSystem& files, common::Text path, std::string codepage)
    : path_(std::move(path)), codepage_(std::move(codepage)) {
  // A folder that cannot be opened lists nothing; reading a file in it then fails with the reason.
  try {
    folder_ = files.OpenFolder(path_);
  } catch (const platform::CannotOpenFolder& error) {
    reason_ = error.reason();
  }
}

SurveyFolder::~SurveyFolder() = default;

void SurveyFolder::List() {
  if (listed_) return;
  listed_ = true;
  if (!folder_) return;
  entries_ = folder_->List();
  for (const platform::FolderEntry& entry : entries_) kinds_.emplace(entry.name, entry.kind);
}

std::vector<common::Text> SurveyFolder::Matches(common::TextView mask) {
  List();
  return platform::MatchingNames(entries_, mask);
}

bool SurveyFolder::Lists(const common::Text& name) {
  List();
  auto found = kinds_.find(name);
  if (found != kinds_.end()) return found->second != platform::EntryKind::kFolder;
  // Listed in another case: whether that is the same name is the file system's to say (Windows and
  // SMB shares ignore case), so it is asked about this name itself.
  // The listing is upper-cased once, at the first name it does not hold as given: a host without an
  // info file is common, and looking through every entry for each would grow with the square of the
  // folder.
  if (upper_names_.empty()) {
    for (const platform::FolderEntry& entry : entries_) upper_names_.insert(common::UpperCase(entry.name));
  }
  return upper_names_.contains(common::UpperCase(name)) && folder_->SizeOf(name).has_value();
}

LineList SurveyFolder::ReadLines(const common::Text& name) {
  if (!folder_) throw common::CannotOpenFile(path_ + name, reason_);
  List();
  auto found = kinds_.find(name);
  bool listed_as_file = found != kinds_.end() && found->second == platform::EntryKind::kFile;
  LineList lines = SplitLines(DecodeWorkstationText(
      folder_->ReadForeignFile(name, platform::kMaxWorkstationFileSize, listed_as_file), codepage_));
  read_.insert(name);
  return lines;
}

}  // namespace survey
