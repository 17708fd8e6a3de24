#include "platform/file_system.h"

#include <string>

namespace platform {

namespace {

common::Error FileError(const char16_t* what, common::TextView path, common::TextView reason) {
  common::Text message = what;
  message += u" \"";
  message += path;
  message += u"\". ";
  message += reason;
  return common::Error(std::move(message));
}

}  // namespace

common::Error CannotReadFile(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot read file", path, reason);
}

common::Error CannotWriteFile(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot write file", path, reason);
}

common::Error CannotCreateFile(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot create file", path, reason);
}

common::Error CannotDeleteFile(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot delete file", path, reason);
}

common::Error CannotLockFile(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot lock file", path, reason);
}

common::Error CannotListFolder(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot list folder", path, reason);
}

common::Error CannotFlushFile(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot flush file", path, reason);
}

common::Error CannotFlushFolder(common::TextView path, common::TextView reason) {
  return FileError(u"Cannot flush folder", path, reason);
}

CannotOpenFolder::CannotOpenFolder(common::TextView path, common::TextView reason)
    : common::Error(FileError(u"Cannot open folder", path, reason)), reason_(reason) {}

common::Error FolderInUse(common::TextView folder) {
  common::Text message = u"The database folder \"";
  message += folder;
  message += u"\" is in use by another refresh run";
  return common::Error(std::move(message));
}

common::Text FileTooLarge(size_t limit) {
  return common::FromUtf8("File too large (the limit is " + std::to_string(limit) + " bytes)");
}

SplitPath SplitFolder(const common::Text& path) {
#ifdef _WIN32
  size_t separator = path.find_last_of(u"/\\");
#else
  size_t separator = path.rfind(u'/');
#endif
  if (separator == common::Text::npos) return {common::Text(), path};
  return {path.substr(0, separator + 1), path.substr(separator + 1)};
}

}  // namespace platform
