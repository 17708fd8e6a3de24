#include "store/dbf/table_file.h"

#include <algorithm>

#include "common/error.h"
#include "platform/system_error.h"

namespace store::dbf {

namespace {

common::Text PathText(const std::filesystem::path& path) { return platform::FsPathToText(path); }

common::Error FileError(const char16_t* what, const std::filesystem::path& path, int code) {
  common::Text message = what;
  message += u" \"" + PathText(path) + u"\". " + platform::SystemErrorText(code);
  return common::Error(std::move(message));
}

}  // namespace

common::Error DamagedTable(const std::filesystem::path& path, common::TextView reason) {
  common::Text message = u"Table file \"" + PathText(path) + u"\" is damaged: ";
  message += reason;
  return common::Error(std::move(message));
}

namespace {

// A table file of no bytes at all is what a creation cut short leaves where the file system cannot
// rename without replacing (the name is claimed empty first): no reader can open it, and nothing of a
// table is lost by taking it as missing.
bool IsCutShortCreation(const std::filesystem::path& path) {
  std::optional<platform::FileIdentity> identity = platform::IdentityOf(path);
  return identity && identity->size == 0;
}

}  // namespace

std::optional<std::filesystem::path> FindTableFile(const std::filesystem::path& folder, std::string_view file_name) {
  const common::Text wanted = common::FromUtf8(file_name);
  std::filesystem::path exact = folder / platform::TextToFsPath(wanted);
  int error = 0;
  const bool exact_is_file = platform::KindOf(exact, error) == platform::PathKind::kFile;

  // Tables copied from a Windows share keep whatever case they had there (USERS.DBF); a file system
  // that ignores case finds them under any spelling, so the name is the one the folder lists.
  std::vector<platform::FolderEntry> entries;
  std::vector<std::filesystem::path> matches;
  bool exact_listed = false;
  if (platform::ListFolder(folder, entries)) {
    for (const platform::FolderEntry& entry : entries) {
      if (entry.folder) continue;
      common::Text name = platform::FsPathToText(entry.name);
      if (exact_is_file && name == wanted) {
        exact_listed = true;
      } else if (common::EqualsIgnoreAsciiCase(common::ToUtf8(name), file_name)) {
        matches.push_back(folder / entry.name);
      }
    }
  }
  std::sort(matches.begin(), matches.end());
  if (exact_listed || (exact_is_file && matches.empty())) matches.insert(matches.begin(), exact);
  for (const std::filesystem::path& match : matches) {
    if (!IsCutShortCreation(match)) return match;
  }
  return std::nullopt;
}

void CreateTableFile(const std::filesystem::path& path, std::vector<Field> fields, uint8_t language_driver) {
  if (IsCutShortCreation(path)) platform::RemoveFile(path);
  std::string bytes = BuildHeader(fields, language_driver, 0);
  bytes.push_back(kEndOfData);
  bool in_writing = false;
  if (int error = platform::CreateNewFile(path, bytes, in_writing)) {
    throw FileError(in_writing ? u"Cannot write file" : u"Cannot create file", path, error);
  }
}

TableFile::TableFile(std::filesystem::path path) : path_(std::move(path)) {
  if (int error = file_.Open(path_)) throw common::CannotOpenFile(PathText(path_), platform::SystemErrorText(error));
}

TableFile::~TableFile() = default;

FileIdentity TableFile::Identity() const {
  FileIdentity identity;
  if (int error = file_.Identity(identity)) throw FileError(u"Cannot read file", path_, error);
  return identity;
}

TableFile::Loaded TableFile::Load() const {
  uint64_t size = Identity().size;
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
    throw DamagedTable(path_, error.message());
  }
  const Header& header = loaded.header;
  if (size < header.header_length) throw DamagedTable(path_, u"the file ends inside the header");

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
      throw DamagedTable(path_, common::FromUtf8("the first record does not start at the stated header length of " +
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
  size_t done = 0;
  while (done < length) {
    int error = 0;
    int64_t n = file_.ReadAt(offset + done, out.data() + done, length - done, error);
    if (n < 0) throw FileError(u"Cannot read file", path_, error);
    if (n == 0) throw DamagedTable(path_, u"the file is shorter than its records");
    done += static_cast<size_t>(n);
  }
}

void TableFile::Write(uint64_t offset, std::string_view bytes) {
  if (!file_.writable()) throw FileError(u"Cannot write file", path_, platform::AccessDeniedCode());
  size_t done = 0;
  while (done < bytes.size()) {
    int error = 0;
    int64_t n = file_.WriteAt(offset + done, bytes.data() + done, bytes.size() - done, error);
    if (n <= 0) throw FileError(u"Cannot write file", path_, n < 0 ? error : platform::DiskFullCode());
    done += static_cast<size_t>(n);
  }
}

}  // namespace store::dbf
