#include "survey/read_lines.h"

#include "platform/codepage.h"

namespace survey {

namespace {

common::Text DecodeUtf16(std::string_view bytes, bool big_endian) {
  common::Text text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    auto first = static_cast<unsigned char>(bytes[2 * i]);
    auto second = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = big_endian ? static_cast<char16_t>(first << 8 | second) : static_cast<char16_t>(second << 8 | first);
  }
  return text;
}

bool StartsWith(std::string_view bytes, std::string_view mark) { return bytes.substr(0, mark.size()) == mark; }

}  // namespace

common::Text DecodeWorkstationText(std::string_view bytes, std::string_view codepage) {
  if (StartsWith(bytes, "\xFF\xFE")) return DecodeUtf16(bytes.substr(2), false);
  if (StartsWith(bytes, "\xFE\xFF")) return DecodeUtf16(bytes.substr(2), true);
  if (StartsWith(bytes, "\xEF\xBB\xBF")) {
    common::Text text;
    if (!common::DecodeUtf8Strict(bytes.substr(3), text)) return {};
    return text;
  }
  return platform::Codepage::Get(codepage).Decode(bytes);
}

LineList SplitLines(common::TextView text) {
  text = text.substr(0, text.find(u'\0'));
  std::vector<common::Text> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c != u'\r' && c != u'\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return LineList(std::move(lines));
}

}  // namespace survey
