#include "directory/vcard_reader.h"

#include <string>

#include "common/error.h"
#include "directory/directory_file.h"
#include "platform/codepage.h"

namespace directory {
namespace {

// Cards nested deeper than this are not an address book but an attack on the reader.
constexpr int kMaxNesting = 8;

struct Parameter {
  std::string name;                 // lower case
  std::vector<std::string> values;  // quotes removed, lists split
};

struct Property {
  std::string name;  // lower case, group removed
  std::vector<Parameter> parameters;
  std::string value;  // bytes after unfolding, still encoded
  int line = 0;

  bool HasValue(std::string_view parameter, std::string_view value) const {
    for (const Parameter& p : parameters) {
      if (p.name != parameter) continue;
      for (const std::string& v : p.values) {
        if (common::EqualsIgnoreAsciiCase(v, value)) return true;
      }
    }
    return false;
  }
  const std::string* First(std::string_view parameter) const {
    for (const Parameter& p : parameters) {
      if (p.name == parameter && !p.values.empty()) return &p.values.front();
    }
    return nullptr;
  }
};

// Splits at `separator` outside double quotes.
std::vector<std::string_view> SplitOutsideQuotes(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == separator && !quoted) {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(text.substr(start));
  return parts;
}

std::string Unquoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '"') out += c;
  }
  return out;
}

bool IsEncodingWord(std::string_view word) {
  for (std::string_view encoding : {"quoted-printable", "base64", "b", "8bit", "7bit"}) {
    if (common::EqualsIgnoreAsciiCase(word, encoding)) return true;
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "=XX" becomes the byte XX; an "=" not followed by two hex digits stays as written.
std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Splits a structured value at ";" not escaped by a backslash; the escapes stay for Unescape.
std::vector<common::Text> SplitComponents(const common::Text& value) {
  std::vector<common::Text> parts(1);
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == u'\\' && i + 1 < value.size()) {
      parts.back() += value.substr(i, 2);
      ++i;
    } else if (value[i] == u';') {
      parts.emplace_back();
    } else {
      parts.back() += value[i];
    }
  }
  return parts;
}

// 3.0 and 4.0 escape "\\", "\,", "\;" and newlines; 2.1 only escapes ";" inside structured values.
common::Text Unescape(const common::Text& value, bool version21) {
  common::Text out;
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    char16_t next = value[i + 1];
    if (next == u';' || (!version21 && (next == u'\\' || next == u','))) {
      out += next;
      ++i;
    } else if (!version21 && (next == u'n' || next == u'N')) {
      out += u'\n';
      ++i;
    } else {
      out += value[i];
    }
  }
  return out;
}

class Parser {
 public:
  Parser(const common::Text& path, std::string_view codepage) : path_(path), codepage_(codepage) {}

  std::vector<ContactCard> Parse(std::string_view bytes) {
    std::string utf8 = ToUtf8Bytes(bytes, path_);
    lines_ = SplitLines(utf8);
    std::vector<ContactCard> cards;
    std::vector<Property> card;
    int depth = 0;
    int card_line = 0;
    while (next_ < lines_.size()) {
      if (lines_[next_].text.find_first_not_of(" \t") == std::string_view::npos) {
        ++next_;
        continue;
      }
      Property property = ReadProperty();
      const bool begin = property.name == "begin" && common::EqualsIgnoreAsciiCase(property.value, "VCARD");
      const bool end = property.name == "end" && common::EqualsIgnoreAsciiCase(property.value, "VCARD");
      if (begin) {
        if (depth == 0) card_line = property.line, card.clear();
        if (++depth > kMaxNesting) throw Fault(property.line, u"Cards are nested too deeply");
      } else if (end) {
        if (depth == 0) throw Fault(property.line, u"END:VCARD without BEGIN:VCARD");
        if (--depth == 0) cards.push_back(MakeCard(card));
      } else if (depth == 0) {
        throw Fault(property.line, u"Text outside a card (BEGIN:VCARD ... END:VCARD)");
      } else if (depth == 1) {
        card.push_back(std::move(property));
      }
    }
    if (depth > 0) {
      throw Fault(card_line, u"The card that begins here has no END:VCARD");
    }
    return cards;
  }

 private:
  common::Error Fault(int line, common::TextView what) const { return MalformedFile(path_, line, what); }

  static bool Continues(std::string_view line) { return line.starts_with(' ') || line.starts_with('\t'); }

  // One property with its folded or soft-broken continuation lines.
  Property ReadProperty() {
    const Line& head = lines_[next_++];
    std::string logical(head.text);
    Property property;
    property.line = head.number;
    const bool quoted_printable = ParseHead(logical, property) && IsQuotedPrintable(property);
    if (quoted_printable) {
      // A soft line break ("=" at the end of a line) goes on in the next line, which some writers
      // indent by one blank.
      while (logical.ends_with('=') && next_ < lines_.size()) {
        logical.pop_back();
        std::string_view more = lines_[next_++].text;
        if (Continues(more)) more.remove_prefix(1);
        logical += more;
      }
    } else {
      for (; next_ < lines_.size() && Continues(lines_[next_].text); ++next_) {
        logical += lines_[next_].text.substr(1);
      }
    }
    if (!ParseHead(logical, property)) throw Fault(head.number, u"A property line without \":\"");
    if (property.HasValue("encoding", "base64") || property.HasValue("encoding", "b")) {
      // 2.1 writes base64 blocks (photos) as bare lines ended by a blank line.
      while (next_ < lines_.size() && !lines_[next_].text.empty() &&
             lines_[next_].text.find(':') == std::string_view::npos) {
        ++next_;
      }
    }
    return property;
  }

  static bool IsQuotedPrintable(const Property& property) { return property.HasValue("encoding", "quoted-printable"); }

  // Fills the name, the parameters and the raw value; false when there is no ":".
  bool ParseHead(std::string_view logical, Property& property) const {
    bool quoted = false;
    size_t colon = std::string_view::npos;
    for (size_t i = 0; i < logical.size(); ++i) {
      if (logical[i] == '"') quoted = !quoted;
      if (logical[i] == ':' && !quoted) {
        colon = i;
        break;
      }
    }
    if (colon == std::string_view::npos) return false;
    std::vector<std::string_view> parts = SplitOutsideQuotes(logical.substr(0, colon), ';');
    std::string_view name = parts.front();
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
    property.name = common::AsciiLowerCase(name);
    property.parameters.clear();
    for (size_t k = 1; k < parts.size(); ++k) {
      std::string_view part = parts[k];
      Parameter parameter;
      size_t equals = part.find('=');
      if (equals == std::string_view::npos) {
        parameter.name = IsEncodingWord(part) ? "encoding" : "type";
        parameter.values.push_back(Unquoted(part));
      } else {
        parameter.name = common::AsciiLowerCase(part.substr(0, equals));
        for (std::string_view value : SplitOutsideQuotes(part.substr(equals + 1), ',')) {
          std::string unquoted = Unquoted(value);
          // A quoted type list ("work,voice") is still a list.
          if (parameter.name != "type") {
            parameter.values.push_back(std::move(unquoted));
            continue;
          }
          for (std::string_view type : SplitOutsideQuotes(unquoted, ',')) parameter.values.emplace_back(type);
        }
      }
      property.parameters.push_back(std::move(parameter));
    }
    property.value = logical.substr(colon + 1);
    return true;
  }

  common::Text Decode(const Property& property) const {
    std::string bytes = IsQuotedPrintable(property) ? DecodeQuotedPrintable(property.value) : property.value;
    const std::string* charset = property.First("charset");
    if (!charset || common::EqualsIgnoreAsciiCase(*charset, "utf-8")) return DecodeValue(bytes, codepage_);
    try {
      return platform::Codepage::Get(*charset).Decode(bytes);
    } catch (const common::Error&) {
      throw Fault(property.line, u"Unknown character set \"" + DecodeValue(*charset, codepage_) + u"\"");
    }
  }

  ContactCard MakeCard(const std::vector<Property>& properties) const {
    bool version21 = false;
    for (const Property& p : properties) {
      if (p.name == "version") version21 = p.value == "2.1" || p.value == "1.0";
    }
    ContactCard card;
    bool have_name = false, have_phone = false;
    for (const Property& p : properties) {
      if (p.name == "n" && !have_name) {
        std::vector<common::Text> parts = SplitComponents(Decode(p));
        card.last_name = Unescape(parts[0], version21);
        if (parts.size() > 1) card.first_name = Unescape(parts[1], version21);
        have_name = true;
      } else if (p.name == "tel" && !have_phone && p.HasValue("type", "work") && !p.HasValue("type", "fax") &&
                 !p.HasValue("type", "cell") && !p.HasValue("type", "pager")) {
        common::Text phone = version21 ? Decode(p) : Unescape(Decode(p), false);
        if (phone.size() >= 4 && common::EqualsIgnoreAsciiCase(common::ToUtf8(phone.substr(0, 4)), "tel:")) {
          phone.erase(0, 4);
        }
        card.business_phone = std::move(phone);
        have_phone = true;
      }
    }
    return card;
  }

  const common::Text& path_;
  std::string_view codepage_;
  std::vector<Line> lines_;
  size_t next_ = 0;
};

}  // namespace

std::vector<ContactCard> ReadContacts(std::string_view bytes, const common::Text& path, std::string_view codepage) {
  return Parser(path, codepage).Parse(bytes);
}

std::vector<ContactCard> ReadContactsFile(platform::FileSystem& files, const common::Text& path,
                                          std::string_view codepage) {
  return ReadContacts(ReadDirectoryFile(files, path), path, codepage);
}

}  // namespace directory
