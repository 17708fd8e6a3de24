#include "directory/directory_file.h"

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

std::string ToUtf8Bytes(std::string_view bytes, const common::Text& path) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return std::string(bytes.substr(3));
  const bool little = bytes.starts_with("\xFF\xFE");
  if (!little && !bytes.starts_with("\xFE\xFF")) return std::string(bytes);
  bytes.remove_prefix(2);
  if (bytes.size() % 2 != 0) throw MalformedFile(path, 0, u"The UTF-16 text ends in half a character");
  common::Text text;
  text.reserve(bytes.size() / 2);
  for (size_t i = 0; i < bytes.size(); i += 2) {
    auto lo = static_cast<unsigned char>(bytes[little ? i : i + 1]);
    auto hi = static_cast<unsigned char>(bytes[little ? i + 1 : i]);
    text += static_cast<char16_t>(hi << 8 | lo);
  }
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    bool lead = c >= 0xD800 && c <= 0xDBFF;
    bool trail = c >= 0xDC00 && c <= 0xDFFF;
    if (lead && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (lead || trail) {
      throw MalformedFile(path, 0, u"The UTF-16 text holds an unpaired surrogate");
    }
  }
  return common::ToUtf8(text);
}

std::vector<Line> SplitLines(std::string_view bytes) {
  std::vector<Line> lines;
  int number = 0;
  while (!bytes.empty()) {
    size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back({line, ++number});
  }
  return lines;
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
