// Workstation file bytes through the decoder and the line splitter, as ReadLines takes them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "survey/read_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  common::Text text = survey::DecodeWorkstationText(bytes, "windows-1251");
  survey::LineList lines = survey::SplitLines(text);
  size_t total = 0;
  for (const common::Text& line : lines.lines()) {
    for (char16_t c : line) {
      // Lines never hold the characters that end them.
      if (c == u'\r' || c == u'\n' || c == 0) __builtin_trap();
    }
    total += line.size();
  }
  if (total > text.size()) __builtin_trap();
  return 0;
}
