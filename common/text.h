#pragma once

#include <string>
#include <string_view>

// Text in the core is UTF-16, as positions and lengths are counted in UTF-16 code units.
namespace common {

using Text = std::u16string;
using TextView = std::u16string_view;

// A blank is any character from U+0000 to U+0020: the space and every control character.
constexpr bool IsBlank(char16_t c) { return c <= u' '; }

// Removes every blank from both ends.
Text Trim(TextView text);

// Replaces each UTF-16 code unit by its simple upper-case form; the length never changes, so "ß"
// stays "ß" and "ﬁ" stays "ﬁ". The mapping is the platform's: Unicode data through ICU on POSIX,
// CharUpperBuffW on Windows (both map а..я to А..Я and ё to Ё).
Text UpperCase(TextView text);
// The same for the simple lower-case form (ICU's u_tolower; CharLowerBuffW on Windows).
Text LowerCase(TextView text);

// ASCII case, whatever the locale: only 'a'..'z' and 'A'..'Z' change, every other unit stays as it is
// (a Cyrillic letter, a byte of UTF-8 or of a code page). For names of the formats (tables, fields,
// parameters, members, extensions), which the C library's locale-dependent toupper would bend.
template <typename Char>
constexpr Char AsciiUpper(Char c) {
  return c >= Char('a') && c <= Char('z') ? static_cast<Char>(c - Char('a') + Char('A')) : c;
}
template <typename Char>
constexpr Char AsciiLower(Char c) {
  return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
}
std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);
Text AsciiUpperCase(TextView text);
Text AsciiLowerCase(TextView text);

// Strict UTF-8 <-> UTF-16 for text that is known to be well formed (literals, messages, Qt).
// Ill-formed input becomes U+FFFD; these never throw.
Text FromUtf8(std::string_view utf8);
std::string ToUtf8(TextView text);

// Decodes UTF-8 strictly. Returns false, leaving `out` unspecified, at the first ill-formed sequence.
bool DecodeUtf8Strict(std::string_view utf8, Text& out);

// File names on POSIX are bytes, usually UTF-8 but not always (a workstation may write anything).
// PathToText decodes a name losslessly: each byte that is not part of well-formed UTF-8 becomes the
// lone surrogate U+DC80 + byte; TextToPath turns such surrogates back into the original bytes, so a
// name read from a directory opens again exactly.
Text PathToText(std::string_view bytes);
std::string TextToPath(TextView text);

// ASCII-only case-insensitive equality, for component, field and parameter names.
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);

}  // namespace common
