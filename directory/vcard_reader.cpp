#include "directory/vcard_reader.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "common/error.h"
#include "directory/directory_file.h"
#include "platform/codepage.h"

namespace directory {
namespace {

// Cards nested deeper than this are not an address book but an attack on the reader.
constexpr int kMaxNesting = 8;

// Calls `part` for each piece of `text` between the `separator`s outside double quotes; stops
// and returns true as soon as a call does.
template <typename Part>
bool AnyOutsideQuotes(std::string_view text, char separator, Part part) {
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (text[i] == separator && !quoted) {
      if (part(text.substr(start, i - start))) return true;
      start = i + 1;
    }
  }
  return part(text.substr(start));
}

// `text` with its double quotes left out equals `word` (no quotes in it), ignoring ASCII case.
bool EqualsUnquoted(std::string_view text, std::string_view word) {
  size_t k = 0;
  for (char c : text) {
    if (c == '"') continue;
    if (k == word.size() || common::AsciiUpper(c) != common::AsciiUpper(word[k])) return false;
    ++k;
  }
  return k == word.size();
}

bool IsEncodingWord(std::string_view word);

// The values of ENCODING and TYPE that the reader looks at, as bits.
enum Word : unsigned {
  kQuotedPrintable = 1,
  kBase64 = 2,  // "base64" or "b"
  kWork = 4,
  kFax = 8,
  kCell = 16,
  kPager = 32,
};

// A property as written: views into its unfolded line.
struct Property {
  std::string_view name;        // group removed, case as written
  std::string_view parameters;  // what lies between the name and ":", each parameter after a ";"
  std::string_view value;       // bytes after unfolding, still encoded
  int line = 0;
  bool unfolded = false;  // the views are of the parser's unfolded line, not of the text read

  bool Is(std::string_view lower_name) const { return common::EqualsIgnoreAsciiCase(name, lower_name); }

  // The Words among the values of ENCODING and TYPE. A parameter without "=" is a TYPE, or the
  // ENCODING when it names one; a value list is split at "," outside quotes, a TYPE list (quoted or
  // not) at every ","; quotes are left out and case is ignored.
  unsigned Words() const {
    if (parameters.empty()) return 0;
    unsigned words = 0;
    auto encoding = [&](std::string_view v) {
      if (EqualsUnquoted(v, "quoted-printable")) words |= kQuotedPrintable;
      if (EqualsUnquoted(v, "base64") || EqualsUnquoted(v, "b")) words |= kBase64;
    };
    auto type = [&](std::string_view v) {
      if (EqualsUnquoted(v, "work")) words |= kWork;
      if (EqualsUnquoted(v, "fax")) words |= kFax;
      if (EqualsUnquoted(v, "cell")) words |= kCell;
      if (EqualsUnquoted(v, "pager")) words |= kPager;
    };
    bool before_first = true;  // what comes before the first ";": nothing
    AnyOutsideQuotes(parameters, ';', [&](std::string_view part) {
      if (std::exchange(before_first, false)) return false;
      size_t equals = part.find('=');
      if (equals == std::string_view::npos) {
        IsEncodingWord(part) ? encoding(part) : type(part);
        return false;
      }
      std::string_view name = part.substr(0, equals);
      std::string_view values = part.substr(equals + 1);
      if (common::EqualsIgnoreAsciiCase(name, "type")) {
        for (size_t start = 0;;) {
          size_t comma = values.find(',', start);
          type(values.substr(start, comma - start));
          if (comma == std::string_view::npos) break;
          start = comma + 1;
        }
      } else if (common::EqualsIgnoreAsciiCase(name, "encoding")) {
        AnyOutsideQuotes(values, ',', [&](std::string_view v) {
          encoding(v);
          return false;
        });
      }
      return false;
    });
    return words;
  }
  // The first value of a parameter written with "=" (CHARSET), quotes left out.
  std::optional<std::string> First(std::string_view parameter) const;
};

std::string Unquoted(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '"') out += c;
  }
  return out;
}

std::optional<std::string> Property::First(std::string_view parameter) const {
  std::optional<std::string> first;
  AnyOutsideQuotes(parameters, ';', [&](std::string_view part) {
    size_t equals = part.find('=');
    if (equals == std::string_view::npos || !common::EqualsIgnoreAsciiCase(part.substr(0, equals), parameter)) {
      return false;
    }
    AnyOutsideQuotes(part.substr(equals + 1), ',', [&](std::string_view v) {
      first = Unquoted(v);
      return true;
    });
    return true;
  });
  return first;
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

// The first two components of a structured value, split at ";" not escaped by a backslash; the
// escapes stay for Unescape. The second is empty when there is none.
std::array<common::TextView, 2> FirstComponents(common::TextView value) {
  std::array<common::TextView, 2> parts;
  size_t start = 0;
  size_t k = 0;
  for (size_t i = 0; i < value.size() && k < 2; ++i) {
    if (value[i] == u'\\' && i + 1 < value.size()) {
      ++i;
    } else if (value[i] == u';') {
      parts[k++] = value.substr(start, i - start);
      start = i + 1;
    }
  }
  if (k < 2) parts[k] = value.substr(start);
  return parts;
}

// 3.0 and 4.0 escape "\\", "\,", "\;" and newlines; 2.1 only escapes ";" inside structured values.
common::Text Unescape(common::TextView value, bool version21) {
  common::Text out;
  out.reserve(value.size());
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
    std::string converted;
    LineReader lines(Utf8Text(bytes, path_, converted));
    std::vector<ContactCard> cards;
    int depth = 0;
    int card_line = 0;
    while (!lines.AtEnd()) {
      if (lines.Peek().text.find_first_not_of(" \t") == std::string_view::npos) {
        lines.Take();
        continue;
      }
      unsigned words = 0;
      const Property property = ReadProperty(lines, words);
      const bool begin = property.Is("begin") && common::EqualsIgnoreAsciiCase(property.value, "VCARD");
      const bool end = property.Is("end") && common::EqualsIgnoreAsciiCase(property.value, "VCARD");
      if (begin) {
        if (depth == 0) card_line = property.line, card_ = Card();
        if (++depth > kMaxNesting) throw Fault(property.line, u"Cards are nested too deeply");
      } else if (end) {
        if (depth == 0) throw Fault(property.line, u"END:VCARD without BEGIN:VCARD");
        if (--depth == 0) cards.push_back(MakeCard());
      } else if (depth == 0) {
        throw Fault(property.line, u"Text outside a card (BEGIN:VCARD ... END:VCARD)");
      } else if (depth == 1) {
        Take(property, words);
      }
    }
    if (depth > 0) {
      throw Fault(card_line, u"The card that begins here has no END:VCARD");
    }
    return cards;
  }

 private:
  // What a card is made of: the last VERSION, the first N and the first work telephone, each
  // property kept as a view of the text read or of its own copy.
  struct Kept {
    Property property;
    bool present = false;
    bool quoted_printable = false;
    std::string copy;  // the unfolded line the property views, when it is not a line of the text
  };
  struct Card {
    bool version21 = false;
    Kept name, phone;
    bool phone_first = false;  // the telephone came before the name
  };

  common::Error Fault(int line, common::TextView what) const { return MalformedFile(path_, line, what); }

  static bool Continues(std::string_view line) { return line.starts_with(' ') || line.starts_with('\t'); }

  // One property with its folded or soft-broken continuation lines; it views the text read or
  // `logical_`, valid until the next property is read. `words` gets its Words.
  Property ReadProperty(LineReader& lines, unsigned& words) {
    const Line head = lines.Take();
    Property property;
    property.line = head.number;
    const bool head_has_colon = ParseHead(head.text, property);
    // The first line holds all the parameters when it holds the ":".
    words = head_has_colon ? property.Words() : 0;
    std::string_view logical = head.text;
    if (words & kQuotedPrintable) {
      // A soft line break ("=" at the end of a line) goes on in the next line, which some writers
      // indent by one blank.
      if (logical.ends_with('=') && !lines.AtEnd()) {
        logical_.assign(head.text);
        while (logical_.ends_with('=') && !lines.AtEnd()) {
          logical_.pop_back();
          std::string_view more = lines.Take().text;
          if (Continues(more)) more.remove_prefix(1);
          logical_ += more;
        }
        logical = logical_;
      }
    } else if (!lines.AtEnd() && Continues(lines.Peek().text)) {
      logical_.assign(head.text);
      while (!lines.AtEnd() && Continues(lines.Peek().text)) logical_ += lines.Take().text.substr(1);
      logical = logical_;
    }
    property.unfolded = logical.data() != head.text.data();
    if (property.unfolded) {
      if (!ParseHead(logical, property)) throw Fault(head.number, u"A property line without \":\"");
      if (!head_has_colon) words = property.Words();
    } else if (!head_has_colon) {
      throw Fault(head.number, u"A property line without \":\"");
    }
    if (words & kBase64) {
      // 2.1 writes base64 blocks (photos) as bare lines ended by a blank line.
      while (!lines.AtEnd() && !lines.Peek().text.empty() && lines.Peek().text.find(':') == std::string_view::npos) {
        lines.Take();
      }
    }
    return property;
  }

  // Fills the name, the parameters and the raw value; false when there is no ":".
  static bool ParseHead(std::string_view logical, Property& property) {
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
    std::string_view head = logical.substr(0, colon);
    std::string_view name = head;
    AnyOutsideQuotes(head, ';', [&](std::string_view first) {
      name = first;
      return true;
    });
    property.parameters = head.substr(name.size());
    if (size_t dot = name.rfind('.'); dot != std::string_view::npos) name.remove_prefix(dot + 1);
    property.name = name;
    property.value = logical.substr(colon + 1);
    return true;
  }

  // A property of the card being read, kept when the card is made of it.
  void Take(const Property& property, unsigned words) {
    if (property.Is("version")) {
      card_.version21 = property.value == "2.1" || property.value == "1.0";
    } else if (property.Is("n")) {
      if (!card_.name.present) Keep(property, card_.name, words);
    } else if (property.Is("tel") && !card_.phone.present && (words & (kWork | kFax | kCell | kPager)) == kWork) {
      Keep(property, card_.phone, words);
      card_.phone_first = !card_.name.present;
    }
  }

  void Keep(const Property& property, Kept& kept, unsigned words) const {
    kept.present = true;
    kept.property = property;
    kept.quoted_printable = words & kQuotedPrintable;
    if (!property.unfolded) return;
    // The property views the unfolded line: it gets a copy of its own.
    kept.copy = logical_;
    const auto at = [&](std::string_view part) {
      return std::string_view(kept.copy).substr(static_cast<size_t>(part.data() - logical_.data()), part.size());
    };
    kept.property.name = at(property.name);
    kept.property.parameters = at(property.parameters);
    kept.property.value = at(property.value);
  }

  common::Text Decode(const Kept& kept) const {
    const Property& property = kept.property;
    std::string quoted_printable;
    std::string_view bytes = property.value;
    if (kept.quoted_printable) bytes = quoted_printable = DecodeQuotedPrintable(property.value);
    const std::optional<std::string> charset = property.First("charset");
    if (!charset || common::EqualsIgnoreAsciiCase(*charset, "utf-8")) return DecodeValue(bytes, codepage_);
    try {
      return platform::Codepage::Get(*charset).Decode(bytes);
    } catch (const common::Error&) {
      throw Fault(property.line, u"Unknown character set \"" + DecodeValue(*charset, codepage_) + u"\"");
    }
  }

  // The card's fields, its values decoded in file order.
  ContactCard MakeCard() const {
    ContactCard card;
    auto name = [&] {
      if (!card_.name.present) return;
      const common::Text value = Decode(card_.name);
      const std::array<common::TextView, 2> parts = FirstComponents(value);
      card.last_name = Unescape(parts[0], card_.version21);
      card.first_name = Unescape(parts[1], card_.version21);
    };
    auto phone = [&] {
      if (!card_.phone.present) return;
      common::Text text = Decode(card_.phone);
      if (!card_.version21) text = Unescape(text, false);
      if (text.size() >= 4 && common::EqualsIgnoreAsciiCase(common::ToUtf8(text.substr(0, 4)), "tel:")) {
        text.erase(0, 4);
      }
      card.business_phone = std::move(text);
    };
    if (card_.phone_first) phone();
    name();
    if (!card_.phone_first) phone();
    return card;
  }

  const common::Text& path_;
  std::string_view codepage_;
  std::string logical_;  // the property being read, when it was folded or soft-broken
  Card card_;
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
