#include "directory/ldif_reader.h"

#include <optional>
#include <string>

#include "directory/directory_file.h"

namespace directory {
namespace {

struct Attribute {
  std::string name;   // lower case, without options
  std::string value;  // bytes, base64 already decoded
};

struct Record {
  int line = 0;
  std::vector<Attribute> attributes;

  const std::string* First(std::string_view name) const {
    for (const Attribute& a : attributes) {
      if (a.name == name) return &a.value;
    }
    return nullptr;
  }
};

int Base64Digit(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Strict base64: whole groups of four, padding only at the end.
std::optional<std::string> DecodeBase64(std::string_view text) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() % 4 != 0) return std::nullopt;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    const bool last_group = i + 4 == text.size();
    int padding = 0;
    uint32_t group = 0;
    for (size_t k = 0; k < 4; ++k) {
      char c = text[i + k];
      int digit = Base64Digit(c);
      if (c == '=' && last_group && k >= 2) {
        ++padding;
        digit = 0;
      } else if (digit < 0 || padding > 0) {
        return std::nullopt;
      }
      group = group << 6 | static_cast<uint32_t>(digit);
    }
    out += static_cast<char>(group >> 16 & 0xFF);
    if (padding < 2) out += static_cast<char>(group >> 8 & 0xFF);
    if (padding < 1) out += static_cast<char>(group & 0xFF);
  }
  return out;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

class Parser {
 public:
  Parser(const common::Text& path, std::string_view codepage) : path_(path), codepage_(codepage) {}

  std::vector<Record> Parse(std::string_view bytes) {
    std::string utf8 = ToUtf8Bytes(bytes, path_);
    std::vector<Record> records;
    Record current;
    bool first_line_of_file = true;
    std::vector<Line> lines = SplitLines(utf8);
    for (size_t i = 0; i < lines.size();) {
      const Line& line = lines[i];
      if (line.text.empty()) {
        if (!current.attributes.empty()) records.push_back(std::move(current));
        current = Record();
        ++i;
        continue;
      }
      if (line.text.front() == ' ') throw Fault(line.number, u"A continued line follows no line it could continue");
      // Unfold: each following line that begins with one space continues this one.
      std::string logical(line.text);
      for (++i; i < lines.size() && lines[i].text.starts_with(' '); ++i) logical += lines[i].text.substr(1);
      if (logical.front() == '#') continue;
      if (first_line_of_file && current.attributes.empty() && StartsWithIgnoreCase(logical, "version:")) {
        first_line_of_file = false;
        continue;
      }
      first_line_of_file = false;
      Attribute attribute = ParseLine(logical, line.number);
      if (current.attributes.empty()) {
        if (attribute.name != "dn") throw Fault(line.number, u"An entry must begin with \"dn:\"");
        current.line = line.number;
      } else if (attribute.name == "changetype" && !common::EqualsIgnoreAsciiCase(attribute.value, "add")) {
        throw Fault(line.number, u"Only entries to add are read, not \"changetype: " +
                                     DecodeValue(attribute.value, codepage_) + u"\"");
      }
      current.attributes.push_back(std::move(attribute));
    }
    if (!current.attributes.empty()) records.push_back(std::move(current));
    return records;
  }

 private:
  common::Error Fault(int line, common::TextView what) const { return MalformedFile(path_, line, what); }

  Attribute ParseLine(std::string_view text, int number) const {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) throw Fault(number, u"No \":\" follows the attribute name");
    std::string_view name = text.substr(0, colon);
    std::string_view options;
    if (size_t semicolon = name.find(';'); semicolon != std::string_view::npos) {
      options = name.substr(semicolon);
      name = name.substr(0, semicolon);
    }
    if (name.empty()) throw Fault(number, u"A line begins with \":\"");
    for (char c : name) {
      if (!IsNameChar(c)) {
        throw Fault(number, u"The attribute name \"" + DecodeValue(name, codepage_) + u"\" is not valid");
      }
    }
    Attribute attribute;
    // Values with options (language tags, ";binary") are other values than the plain attribute's.
    attribute.name = common::AsciiLowerCase(name);
    if (!options.empty()) attribute.name += common::AsciiLowerCase(options);
    std::string_view rest = text.substr(colon + 1);
    if (rest.starts_with('<')) {
      throw Fault(number, u"The value of \"" + DecodeValue(name, codepage_) +
                              u"\" refers to another place (\":<\"); such values are not read");
    }
    const bool base64 = rest.starts_with(':');
    if (base64) rest.remove_prefix(1);
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    if (!base64) {
      attribute.value = rest;
      return attribute;
    }
    std::optional<std::string> decoded = DecodeBase64(rest);
    if (!decoded) throw Fault(number, u"The base64 value of \"" + DecodeValue(name, codepage_) + u"\" is not valid");
    attribute.value = std::move(*decoded);
    return attribute;
  }

  const common::Text& path_;
  std::string_view codepage_;
};

// The first component of a distinguished name: "CN=Default Global Address List" of the list's DN.
bool NamesDefaultGal(std::string_view dn) {
  std::string_view first = dn.substr(0, dn.find(','));
  size_t equals = first.find('=');
  if (equals == std::string_view::npos) return false;
  auto trim = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
  };
  return common::EqualsIgnoreAsciiCase(trim(first.substr(0, equals)), "cn") &&
         common::EqualsIgnoreAsciiCase(trim(first.substr(equals + 1)), "Default Global Address List");
}

bool Hidden(const Record& record) {
  for (const Attribute& a : record.attributes) {
    if (a.name == "msexchhidefromaddresslists" && common::EqualsIgnoreAsciiCase(a.value, "TRUE")) return true;
  }
  return false;
}

bool InDefaultGal(const Record& record) {
  for (const Attribute& a : record.attributes) {
    if (a.name == "showinaddressbook" && NamesDefaultGal(a.value)) return true;
  }
  return false;
}

}  // namespace

std::vector<GalEntry> ReadGal(std::string_view bytes, const common::Text& path, std::string_view codepage) {
  std::vector<Record> records = Parser(path, codepage).Parse(bytes);
  bool exchange_lists = false;
  for (const Record& record : records) exchange_lists = exchange_lists || record.First("showinaddressbook");
  std::vector<GalEntry> entries;
  for (const Record& record : records) {
    if (Hidden(record)) continue;
    const std::string* display_name = record.First("displayname");
    bool member = exchange_lists ? InDefaultGal(record) : display_name || record.First("mail");
    if (!member) continue;
    entries.push_back(MakeGalEntry(display_name, record.First("legacyexchangedn"), record.First("targetaddress"),
                                   record.First("mail"), codepage));
  }
  return entries;
}

GalEntry MakeGalEntry(const std::string* display_name, const std::string* legacy_exchange_dn,
                      const std::string* target_address, const std::string* mail, std::string_view codepage) {
  GalEntry entry;
  if (display_name) entry.name = DecodeValue(*display_name, codepage);
  if (legacy_exchange_dn) {
    entry.address = DecodeValue(*legacy_exchange_dn, codepage);
  } else if (target_address) {
    std::string_view address = *target_address;
    if (StartsWithIgnoreCase(address, "SMTP:")) address.remove_prefix(5);
    entry.address = DecodeValue(address, codepage);
  } else if (mail) {
    entry.address = DecodeValue(*mail, codepage);
  }
  return entry;
}

std::vector<GalEntry> ReadGalFile(platform::FileSystem& files, const common::Text& path, std::string_view codepage) {
  return ReadGal(ReadDirectoryFile(files, path), path, codepage);
}

}  // namespace directory
