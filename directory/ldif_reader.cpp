#include "directory/ldif_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "directory/directory_file.h"

namespace directory {
namespace {

// The attributes the list is made of, the others only checked. An attribute with options
// (language tags, ";binary") is never one of them: its values are other values than the plain
// attribute's.
enum class Kind {
  kOther,
  kDn,
  kChangetype,
  kDisplayName,
  kLegacyExchangeDn,
  kTargetAddress,
  kMail,
  kShowInAddressBook,
  kHideFromAddressLists,
};

Kind KindOf(std::string_view name) {
  // The names differ in length: one comparison tells.
  auto is = [&](std::string_view lower_name, Kind kind) {
    return common::EqualsIgnoreAsciiCase(name, lower_name) ? kind : Kind::kOther;
  };
  switch (name.size()) {
    case 2:
      return is("dn", Kind::kDn);
    case 4:
      return is("mail", Kind::kMail);
    case 10:
      return is("changetype", Kind::kChangetype);
    case 11:
      return is("displayname", Kind::kDisplayName);
    case 13:
      return is("targetaddress", Kind::kTargetAddress);
    case 16:
      return is("legacyexchangedn", Kind::kLegacyExchangeDn);
    case 17:
      return is("showinaddressbook", Kind::kShowInAddressBook);
    case 26:
      return is("msexchhidefromaddresslists", Kind::kHideFromAddressLists);
    default:
      return Kind::kOther;
  }
}

// Digit values of base64, -1 for every other byte.
constexpr std::array<int8_t, 256> kBase64Digits = [] {
  std::array<int8_t, 256> digits{};
  digits.fill(-1);
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (int i = 0; i < 64; ++i) digits[static_cast<unsigned char>(alphabet[i])] = static_cast<int8_t>(i);
  return digits;
}();

// Strict base64: whole groups of four, padding only at the end, blanks after the last. The bytes go
// to the end of `out` unless it is null (a value that is only checked); false when not base64.
bool DecodeBase64(std::string_view text, std::string* out) {
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.size() % 4 != 0) return false;
  auto digit = [&](size_t i) { return kBase64Digits[static_cast<unsigned char>(text[i])]; };
  if (out) out->reserve(out->size() + text.size() / 4 * 3);
  for (size_t i = 0; i < text.size(); i += 4) {
    int a = digit(i), b = digit(i + 1), c = digit(i + 2), d = digit(i + 3);
    int padding = 0;
    if (i + 4 == text.size()) {
      // "xx==" or "xxx=" ends the text; an "=" anywhere else is no digit.
      if (text[i + 2] == '=' && text[i + 3] == '=') {
        padding = 2, c = d = 0;
      } else if (text[i + 3] == '=') {
        padding = 1, d = 0;
      }
    }
    if ((a | b | c | d) < 0) return false;
    if (!out) continue;
    const uint32_t group = static_cast<uint32_t>(a << 18 | b << 12 | c << 6 | d);
    out->push_back(static_cast<char>(group >> 16 & 0xFF));
    if (padding < 2) out->push_back(static_cast<char>(group >> 8 & 0xFF));
    if (padding < 1) out->push_back(static_cast<char>(group & 0xFF));
  }
  return true;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Bytes that stay where they are while more are added: the values that were unfolded or decoded.
class Store {
 public:
  std::string_view Add(std::string_view bytes) {
    if (bytes.size() > left_) {
      const size_t size = std::max(kBlock, bytes.size());
      blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
      free_ = blocks_.back().get();
      left_ = size;
    }
    if (!bytes.empty()) std::memcpy(free_, bytes.data(), bytes.size());
    std::string_view added(free_, bytes.size());
    free_ += bytes.size();
    left_ -= bytes.size();
    return added;
  }

 private:
  static constexpr size_t kBlock = 64 << 10;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;
  size_t left_ = 0;
};

// What the list takes of one directory object: the first value of each attribute it reads.
struct Object {
  std::optional<std::string_view> display_name, legacy_exchange_dn, target_address, mail;
  bool in_default_gal = false;
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

class Parser {
 public:
  Parser(const common::Text& path, std::string_view codepage) : path_(path), codepage_(codepage) {}

  // Every entry of the file checked; the objects that may be in the list kept, in file order.
  void Parse(std::string_view bytes) {
    text_ = Utf8Text(bytes, path_, converted_);
    LineReader lines(text_);
    bool first_line_of_file = true;
    while (!lines.AtEnd()) {
      const Line line = lines.Take();
      if (line.text.empty()) {
        EndEntry();
        continue;
      }
      if (line.text.front() == ' ') throw Fault(line.number, u"A continued line follows no line it could continue");
      // Unfold: each following line that begins with one space continues this one.
      std::string_view logical = line.text;
      const bool folded = !lines.AtEnd() && lines.Peek().text.starts_with(' ');
      if (folded) {
        unfolded_.assign(line.text);
        while (!lines.AtEnd() && lines.Peek().text.starts_with(' ')) unfolded_ += lines.Take().text.substr(1);
        logical = unfolded_;
      }
      if (logical.front() == '#') continue;
      if (first_line_of_file && attributes_ == 0 && StartsWithIgnoreCase(logical, "version:")) {
        first_line_of_file = false;
        continue;
      }
      first_line_of_file = false;
      ReadAttribute(logical, line.number, !folded);
    }
    EndEntry();
  }

  bool exchange_lists() const { return exchange_lists_; }
  const std::vector<Object>& objects() const { return objects_; }

 private:
  common::Error Fault(int line, common::TextView what) const { return MalformedFile(path_, line, what); }

  void EndEntry() {
    if (attributes_ > 0 && !hidden_ && (current_.display_name || current_.mail || current_.in_default_gal)) {
      objects_.push_back(current_);
    }
    current_ = Object();
    attributes_ = 0;
    hidden_ = false;
  }

  // One attribute line, unfolded; `in_text` when it is a line of the text read as it stands.
  void ReadAttribute(std::string_view text, int number, bool in_text) {
    size_t colon = text.find(':');
    if (colon == std::string_view::npos) throw Fault(number, u"No \":\" follows the attribute name");
    std::string_view name = text.substr(0, colon);
    const size_t semicolon = name.find(';');
    if (semicolon != std::string_view::npos) name = name.substr(0, semicolon);
    if (name.empty()) throw Fault(number, u"A line begins with \":\"");
    for (char c : name) {
      if (!IsNameChar(c)) {
        throw Fault(number, u"The attribute name \"" + DecodeValue(name, codepage_) + u"\" is not valid");
      }
    }
    const Kind kind = semicolon == std::string_view::npos ? KindOf(name) : Kind::kOther;
    std::string_view rest = text.substr(colon + 1);
    if (rest.starts_with('<')) {
      throw Fault(number, u"The value of \"" + DecodeValue(name, codepage_) +
                              u"\" refers to another place (\":<\"); such values are not read");
    }
    const bool base64 = rest.starts_with(':');
    if (base64) rest.remove_prefix(1);
    while (rest.starts_with(' ')) rest.remove_prefix(1);
    std::optional<std::string_view>* first = nullptr;  // where the value goes when it is the first of its attribute
    switch (kind) {
      case Kind::kDisplayName:
        first = &current_.display_name;
        break;
      case Kind::kLegacyExchangeDn:
        first = &current_.legacy_exchange_dn;
        break;
      case Kind::kTargetAddress:
        first = &current_.target_address;
        break;
      case Kind::kMail:
        first = &current_.mail;
        break;
      default:
        break;
    }
    if (first && *first) first = nullptr;
    const bool wanted =
        first || kind == Kind::kChangetype || kind == Kind::kShowInAddressBook || kind == Kind::kHideFromAddressLists;
    std::string_view value = rest;
    if (base64) {
      decoded_.clear();
      if (!DecodeBase64(rest, wanted ? &decoded_ : nullptr)) {
        throw Fault(number, u"The base64 value of \"" + DecodeValue(name, codepage_) + u"\" is not valid");
      }
      value = decoded_;
    }
    if (attributes_++ == 0) {
      if (kind != Kind::kDn) throw Fault(number, u"An entry must begin with \"dn:\"");
      return;
    }
    switch (kind) {
      case Kind::kChangetype:
        if (!common::EqualsIgnoreAsciiCase(value, "add")) {
          throw Fault(number,
                      u"Only entries to add are read, not \"changetype: " + DecodeValue(value, codepage_) + u"\"");
        }
        break;
      case Kind::kShowInAddressBook:
        exchange_lists_ = true;
        current_.in_default_gal = current_.in_default_gal || NamesDefaultGal(value);
        break;
      case Kind::kHideFromAddressLists:
        hidden_ = hidden_ || common::EqualsIgnoreAsciiCase(value, "TRUE");
        break;
      default:
        if (first) *first = in_text && !base64 ? value : store_.Add(value);
        break;
    }
  }

  const common::Text& path_;
  std::string_view codepage_;
  std::string converted_;  // the text of a UTF-16 file
  std::string_view text_;  // the text read
  std::string unfolded_;   // the line being read, when it was folded
  std::string decoded_;    // the value being read, when it was base64
  Store store_;            // the values kept that are not in the text read
  std::vector<Object> objects_;
  Object current_;
  int attributes_ = 0;  // of the entry being read
  bool hidden_ = false;
  bool exchange_lists_ = false;
};

// MakeGalEntry on the values found.
GalEntry MakeEntry(std::optional<std::string_view> display_name, std::optional<std::string_view> legacy_exchange_dn,
                   std::optional<std::string_view> target_address, std::optional<std::string_view> mail,
                   std::string_view codepage) {
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

}  // namespace

std::vector<GalEntry> ReadGal(std::string_view bytes, const common::Text& path, std::string_view codepage) {
  Parser parser(path, codepage);
  parser.Parse(bytes);
  std::vector<GalEntry> entries;
  entries.reserve(parser.objects().size());
  for (const Object& object : parser.objects()) {
    bool member = parser.exchange_lists() ? object.in_default_gal : object.display_name || object.mail;
    if (!member) continue;
    entries.push_back(
        MakeEntry(object.display_name, object.legacy_exchange_dn, object.target_address, object.mail, codepage));
  }
  return entries;
}

GalEntry MakeGalEntry(const std::string* display_name, const std::string* legacy_exchange_dn,
                      const std::string* target_address, const std::string* mail, std::string_view codepage) {
  auto value = [](const std::string* s) { return s ? std::optional<std::string_view>(*s) : std::nullopt; };
  return MakeEntry(value(display_name), value(legacy_exchange_dn), value(target_address), value(mail), codepage);
}

std::vector<GalEntry> ReadGalFile(platform::FileSystem& files, const common::Text& path, std::string_view codepage) {
  return ReadGal(ReadDirectoryFile(files, path), path, codepage);
}

}  // namespace directory
