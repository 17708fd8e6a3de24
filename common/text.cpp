#include "common/text.h"

namespace common {

Text Trim(TextView text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return Text(text.substr(begin, end - begin));
}

namespace {

// Decodes one UTF-8 sequence at `i`. Returns the code point, or -1 when the sequence is ill formed
// (overlong forms, surrogates and values above U+10FFFF included); `length` gets its byte count.
int32_t DecodeOne(std::string_view s, size_t i, size_t& length) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  unsigned char b0 = byte(i);
  if (b0 < 0x80) {
    length = 1;
    return b0;
  }
  int need;
  int32_t cp;
  int32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1, cp = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2, cp = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3, cp = b0 & 0x07, min = 0x10000;
  } else {
    return -1;
  }
  for (int k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return -1;
    unsigned char b = byte(i + k);
    if ((b & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
  length = static_cast<size_t>(need) + 1;
  return cp;
}

void AppendCodePoint(Text& out, int32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// Walks UTF-16 text, calling `lone` for unpaired surrogates and `ok` for every code point.
template <typename Ok, typename Lone>
void WalkUtf16(TextView text, Ok ok, Lone lone) {
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ok(0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      lone(c);
    } else {
      ok(c);
    }
  }
}

}  // namespace

bool DecodeUtf8Strict(std::string_view utf8, Text& out) {
  // Written in place: no sequence gives more UTF-16 units than it has bytes. ASCII and two-byte
  // sequences (Latin, Cyrillic) are most of what is decoded, and are done inline.
  out.resize(utf8.size());
  char16_t* to = out.data();
  for (size_t i = 0; i < utf8.size();) {
    auto b0 = static_cast<unsigned char>(utf8[i]);
    if (b0 < 0x80) {
      *to++ = b0;
      ++i;
      continue;
    }
    if (b0 >= 0xC2 && b0 <= 0xDF && i + 1 < utf8.size() && (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      *to++ = static_cast<char16_t>((b0 & 0x1F) << 6 | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
      i += 2;
      continue;
    }
    size_t length = 0;
    int32_t cp = DecodeOne(utf8, i, length);
    if (cp < 0) return false;
    if (cp < 0x10000) {
      *to++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *to++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *to++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
    i += length;
  }
  out.resize(static_cast<size_t>(to - out.data()));
  return true;
}

Text FromUtf8(std::string_view utf8) {
  Text out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t length = 0;
    int32_t cp = DecodeOne(utf8, i, length);
    if (cp < 0) {
      out.push_back(u'\uFFFD');
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += length;
    }
  }
  return out;
}

std::string ToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size());
  WalkUtf16(
      text, [&](uint32_t cp) { AppendUtf8(out, cp); }, [&](char16_t) { AppendUtf8(out, 0xFFFD); });
  return out;
}

Text PathToText(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    size_t length = 0;
    int32_t cp = DecodeOne(bytes, i, length);
    if (cp < 0) {
      out.push_back(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      AppendCodePoint(out, cp);
      i += length;
    }
  }
  return out;
}

std::string TextToPath(TextView text) {
  std::string out;
  out.reserve(text.size());
  WalkUtf16(
      text, [&](uint32_t cp) { AppendUtf8(out, cp); },
      [&](char16_t c) {
        if (c >= 0xDC80 && c <= 0xDCFF) {
          out.push_back(static_cast<char>(c - 0xDC00));
        } else {
          AppendUtf8(out, 0xFFFD);
        }
      });
  return out;
}

std::string AsciiUpperCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

std::string AsciiLowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

Text AsciiUpperCase(TextView text) {
  Text out(text);
  for (char16_t& c : out) c = AsciiUpper(c);
  return out;
}

Text AsciiLowerCase(TextView text) {
  Text out(text);
  for (char16_t& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace common
