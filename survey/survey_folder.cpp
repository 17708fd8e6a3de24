#include "survey/survey_folder.h"

#include "platform/enumerate.h"
#include "survey/read_lines.h"

namespace survey {

SurveyFolder::SurveyFolder(platform::FileSystem& files, common::Text path) : path_(std::move(path)) {
  folder_ = files.OpenFolder(path_, &reason_);
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
  return found != kinds_.end() && found->second != platform::EntryKind::kFolder;
}

LineList SurveyFolder::ReadLines(const common::Text& name) {
  if (!folder_) throw common::CannotOpenFile(path_ + name, reason_);
  List();
  auto found = kinds_.find(name);
  bool listed_as_file = found != kinds_.end() && found->second == platform::EntryKind::kFile;
  LineList lines = SplitLines(DecodeWorkstationText(
      folder_->ReadForeignFile(name, platform::kMaxWorkstationFileSize, listed_as_file)));
  read_.insert(name);
  return lines;
}

}  // namespace survey
