#include "store/dbf/table_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "common/error.h"
#include "platform/system_error.h"

namespace store::dbf {

namespace {

common::Text PathText(const std::filesystem::path& path) { return common::PathToText(path.native()); }

common::Error FileError(const char16_t* what, const std::filesystem::path& path, int code) {
  common::Text message = what;
  message += u" \"" + PathText(path) + u"\". " + platform::SystemErrorText(code);
  return common::Error(std::move(message));
}

bool IsFolder(const std::filesystem::path& path, unsigned char type_hint) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  return type_hint == DT_DIR;
}

int64_t Nanoseconds(const timespec& time) { return int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec; }

}  // namespace

common::Error DamagedTable(const std::filesystem::path& path, common::TextView reason) {
  common::Text message = u"Table file \"" + PathText(path) + u"\" is damaged: ";
  message += reason;
  return common::Error(std::move(message));
}

std::optional<std::filesystem::path> FindTableFile(const std::filesystem::path& folder, std::string_view file_name) {
  std::filesystem::path exact = folder / file_name;
  struct stat info {};
  if (::stat(exact.c_str(), &info) == 0 && !S_ISDIR(info.st_mode)) return exact;

  // Tables copied from a Windows share keep whatever case they had there (USERS.DBF).
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return std::nullopt;
  std::vector<std::filesystem::path> matches;
  while (const dirent* entry = ::readdir(dir)) {
    if (!common::EqualsIgnoreAsciiCase(entry->d_name, file_name)) continue;
    std::filesystem::path candidate = folder / entry->d_name;
    if (!IsFolder(candidate, entry->d_type)) matches.push_back(std::move(candidate));
  }
  ::closedir(dir);
  if (matches.empty()) return std::nullopt;
  return *std::min_element(matches.begin(), matches.end());
}

void CreateTableFile(const std::filesystem::path& path, std::vector<Field> fields, uint8_t language_driver) {
  std::string bytes = BuildHeader(fields, language_driver, 0);
  bytes.push_back(kEndOfData);

  std::string aside_name(1, '.');
  aside_name.append(path.filename().string()).append(".").append(std::to_string(::getpid())).append(".new");
  std::filesystem::path aside = path.parent_path() / aside_name;
  int fd = ::open(aside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw FileError(u"Cannot create file", path, errno);
  ssize_t written = ::write(fd, bytes.data(), bytes.size());
  int write_error = errno;
  ::close(fd);
  if (written != static_cast<ssize_t>(bytes.size())) {
    ::unlink(aside.c_str());
    throw FileError(u"Cannot write file", path, written < 0 ? write_error : ENOSPC);
  }
  // The table appears complete or not at all, and an existing file is never replaced.
  int result = ::renameat2(AT_FDCWD, aside.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
  if (result != 0 && (errno == EINVAL || errno == ENOSYS)) {
    result = ::link(aside.c_str(), path.c_str());
    int link_error = errno;
    ::unlink(aside.c_str());
    errno = link_error;
  }
  if (result != 0) {
    int error = errno;
    ::unlink(aside.c_str());
    throw FileError(u"Cannot create file", path, error);
  }
}

TableFile::TableFile(std::filesystem::path path) : path_(std::move(path)) {
  fd_ = ::open(path_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    writable_ = false;
  }
  if (fd_ < 0) throw common::CannotOpenFile(PathText(path_), platform::SystemErrorText(errno));
}

TableFile::~TableFile() { ::close(fd_); }

FileIdentity TableFile::Identity() const {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) throw FileError(u"Cannot read file", path_, errno);
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                      static_cast<uint64_t>(info.st_size), Nanoseconds(info.st_mtim), Nanoseconds(info.st_ctim)};
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
    ssize_t n = ::pread(fd_, out.data() + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw FileError(u"Cannot read file", path_, errno);
    if (n == 0) throw DamagedTable(path_, u"the file is shorter than its records");
    done += static_cast<size_t>(n);
  }
}

void TableFile::Write(uint64_t offset, std::string_view bytes) {
  if (!writable_) throw FileError(u"Cannot write file", path_, EACCES);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw FileError(u"Cannot write file", path_, n < 0 ? errno : ENOSPC);
    done += static_cast<size_t>(n);
  }
}

}  // namespace store::dbf
