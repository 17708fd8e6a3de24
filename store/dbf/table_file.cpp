#include "store/dbf/table_file.h"

#include <algorithm>

#include "common/error.h"

namespace store::dbf {

common::Error DamagedTable(common::TextView path, common::TextView reason) {
  common::Text message = u"Table file \"";
  message += path;
  message += u"\" is damaged: ";
  message += reason;
  return common::Error(std::move(message));
}

namespace {

// A table file of no bytes at all is what a creation cut short leaves where the file system cannot
// rename without replacing (the name is claimed empty first): no reader can open it, and nothing of a
// table is lost by taking it as missing.
bool IsCutShortCreation(platform::Folder& folder, const common::Text& name) {
  std::optional<uint64_t> size = folder.SizeOf(name);
  return size && *size == 0;
}

}  // namespace

std::optional<common::Text> FindTableFile(platform::Folder& folder, common::TextView file_name) {
  // Tables copied from a Windows share keep whatever case they had there (USERS.DBF); a file system
  // that ignores case finds them under any spelling, so the name is the one the folder lists.
  // Anything else under the name (a link, a FIFO) is found, so that opening it fails with the system's
  // reason: taken for missing, it would have a new table written over or through it.
  std::vector<platform::FolderEntry> matches;
  std::optional<platform::FolderEntry> exact;
  const std::string wanted = common::ToUtf8(file_name);
  for (platform::FolderEntry& entry : folder.List()) {
    if (entry.kind == platform::EntryKind::kFolder) continue;
    if (entry.name == file_name) {
      exact = std::move(entry);
    } else if (common::EqualsIgnoreAsciiCase(common::ToUtf8(entry.name), wanted)) {
      matches.push_back(std::move(entry));
    }
  }
  std::sort(matches.begin(), matches.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  if (exact) matches.insert(matches.begin(), std::move(*exact));
  for (const platform::FolderEntry& match : matches) {
    if (match.kind != platform::EntryKind::kFile || !IsCutShortCreation(folder, match.name)) return match.name;
  }
  return std::nullopt;
}

void CreateTableFile(platform::Folder& folder, const common::Text& file_name, std::vector<Field> fields,
                     uint8_t language_driver, const common::Date& today) {
  if (IsCutShortCreation(folder, file_name)) folder.Remove(file_name);
  std::string bytes = BuildHeader(fields, language_driver, 0, today);
  bytes.push_back(kEndOfData);
  folder.CreateNewFile(file_name, bytes);
}

TableFile::TableFile(platform::Folder& folder, const common::Text& file_name) : file_(folder.OpenTable(file_name)) {}

TableFile::Loaded TableFile::Load() const {
  uint64_t size = file_->Identity().size;
  std::string bytes(static_cast<size_t>(std::min<uint64_t>(size, kFixedHeaderSize)), '\0');
  ReadAt(0, bytes.size(), bytes);
  size_t stated = std::max(StatedHeaderLength(bytes), kFixedHeaderSize);
  if (bytes.size() == kFixedHeaderSize && stated > kFixedHeaderSize) {
    bytes.resize(static_cast<size_t>(std::min<uint64_t>(size, stated)));
    ReadAt(0, bytes.size(), bytes);
  }
  Loaded loaded;
  try {
    loaded.header = ParseHeader(bytes);
  } catch (const common::Error& error) {
    throw DamagedTable(path(), error.message());
  }
  const Header& header = loaded.header;
  if (size < header.header_length) throw DamagedTable(path(), u"the file ends inside the header");

  uint64_t whole_records = (size - header.header_length) / header.record_length;
  uint32_t count = header.record_count;
  auto flag_at = [&](uint32_t index) {
    std::string flag;
    ReadAt(header.RecordOffset(index), 1, flag);
    return flag[0];
  };
  if (count > whole_records) {
    count = static_cast<uint32_t>(whole_records);
  } else {
    while (count < whole_records) {
      char flag = flag_at(count);
      if (flag != kLiveFlag && flag != kDeletedFlag) break;
      ++count;
    }
  }
  if (count > 0) {
    char flag = flag_at(0);
    if (flag != kLiveFlag && flag != kDeletedFlag) {
      throw DamagedTable(path(), common::FromUtf8("the first record does not start at the stated header length of " +
                                                  std::to_string(header.header_length) + " bytes"));
    }
  }
  loaded.record_count = count;
  return loaded;
}

void TableFile::ReadRecords(const Header& header, uint32_t first, uint32_t count, std::string& out) const {
  ReadAt(header.RecordOffset(first), size_t{count} * header.record_length, out);
}

void TableFile::ReadAt(uint64_t offset, size_t length, std::string& out) const {
  out.resize(length);
  ReadAt(offset, length, out.data());
}

void TableFile::ReadAt(uint64_t offset, size_t length, char* out) const {
  size_t done = 0;
  while (done < length) {
    size_t n = file_->ReadAt(offset + done, out + done, length - done);
    if (n == 0) throw DamagedTable(path(), u"the file is shorter than its records");
    done += n;
  }
}

void TableFile::Write(uint64_t offset, std::string_view bytes) {
  for (size_t done = 0; done < bytes.size();) done += file_->WriteAt(offset + done, bytes.substr(done));
}

}  // namespace store::dbf
