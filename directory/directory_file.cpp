#include "directory/directory_file.h"

#include <cstdint>
#include <memory>

#include "platform/codepage.h"

namespace directory {

std::string ReadDirectoryFile(platform::FileSystem& files, const common::Text& path) {
  platform::SplitPath split = platform::SplitFolder(path);
  std::unique_ptr<platform::Folder> folder;
  try {
    folder = files.OpenFolder(split.folder);
  } catch (const platform::CannotOpenFolder& error) {
    throw common::CannotOpenFile(path, error.reason());
  }
  // The exports may sit on the share the workstations write to: opened like a workstation file.
  return folder->ReadForeignFile(split.name, kMaxDirectoryFileSize);
}

std::string ReadPasswordFile(platform::FileSystem& files, const common::Text& path) {
  std::string password = ReadDirectoryFile(files, path);
  if (password.ends_with('\n')) password.pop_back();
  if (password.ends_with('\r')) password.pop_back();
  return password;
}

std::string_view Utf8Text(std::string_view bytes, const common::Text& path, std::string& storage) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return bytes.substr(3);
  const bool little = bytes.starts_with("\xFF\xFE");
  if (!little && !bytes.starts_with("\xFE\xFF")) return bytes;
  bytes.remove_prefix(2);
  if (bytes.size() % 2 != 0) throw MalformedFile(path, 0, u"The UTF-16 text ends in half a character");
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t i) -> uint32_t {
    auto lo = static_cast<unsigned char>(bytes[little ? 2 * i : 2 * i + 1]);
    auto hi = static_cast<unsigned char>(bytes[little ? 2 * i + 1 : 2 * i]);
    return static_cast<uint32_t>(hi << 8 | lo);
  };
  storage.clear();
  storage.reserve(units + units / 2);
  for (size_t i = 0; i < units; ++i) {
    uint32_t c = unit(i);
    if (c < 0x80) {
      storage.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      storage.push_back(static_cast<char>(0xC0 | c >> 6));
      storage.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0xD800 || c > 0xDFFF) {
      storage.push_back(static_cast<char>(0xE0 | c >> 12));
      storage.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      storage.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      storage.push_back(static_cast<char>(0xF0 | cp >> 18));
      storage.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      storage.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      storage.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
      ++i;
    } else {
      throw MalformedFile(path, 0, u"The UTF-16 text holds an unpaired surrogate");
    }
  }
  return storage;
}

common::Error MalformedFile(const common::Text& path, int line, common::TextView what) {
  common::Text text = u"Cannot read file \"" + path + u"\". ";
  if (line > 0) text += common::FromUtf8("Line " + std::to_string(line) + ": ");
  text += what;
  return common::Error(std::move(text));
}

common::Text DecodeValue(std::string_view bytes, std::string_view codepage) {
  common::Text text;
  if (common::DecodeUtf8Strict(bytes, text)) return text;
  return platform::Codepage::Get(codepage).Decode(bytes);
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && common::EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace directory
