#include <windows.h>

#include <charconv>
#include <climits>

#include "common/error.h"
#include "platform/codepage.h"

namespace platform {

struct Codepage::Impl {
  UINT id = 0;
  bool single_byte = false;
};

namespace {

// The number after `prefix`, or 0 when `name` is not `prefix` followed by digits alone.
UINT NumberAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
  UINT number = 0;
  std::string_view digits = name.substr(prefix.size());
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return error == std::errc() && end == digits.data() + digits.size() ? number : 0;
}

// Windows knows code pages by number. The names are those the POSIX build hands to ICU
// ("windows-1251", "ibm-866", "cp866", "utf-8", ...), plus "ACP": the system's ANSI code page, which
// is what a Windows installation reads workstation files in.
UINT CodePageNumber(std::string_view name) {
  const std::string lower = common::AsciiLowerCase(name);
  if (lower == "acp") return GetACP();
  if (lower == "utf-8" || lower == "utf8") return CP_UTF8;
  if (lower == "koi8-r") return 20866;
  if (lower == "koi8-u") return 21866;
  for (std::string_view prefix : {"windows-", "ibm-", "cp", "ibm"}) {
    if (UINT number = NumberAfter(lower, prefix)) return number;
  }
  if (UINT part = NumberAfter(lower, "iso-8859-"); part >= 1 && part <= 15) return 28590 + part;
  return 0;
}

// Code pages for which WideCharToMultiByte takes neither flags nor a default character.
bool TakesNoConversionOptions(UINT id) {
  return id == CP_UTF8 || id == CP_UTF7 || id == 42 || id == 54936 || (id >= 50220 && id <= 50229) || id == 52936 ||
         (id >= 57002 && id <= 57011);
}

int CheckedLength(size_t size) {
  if (size > static_cast<size_t>(INT_MAX)) throw common::Error(u"Text too long for the code page conversion");
  return static_cast<int>(size);
}

}  // namespace

Codepage::Codepage(std::string_view name) : name_(name), impl_(std::make_unique<Impl>()) {
  impl_->id = CodePageNumber(name);
  CPINFO info{};
  if (impl_->id == 0 || !IsValidCodePage(impl_->id) || !GetCPInfo(impl_->id, &info)) {
    throw common::Error(common::FromUtf8("Unknown code page '" + name_ + "'"));
  }
  impl_->single_byte = info.MaxCharSize == 1;
  if (common::AsciiLowerCase(name) == "acp") name_ = "windows-" + std::to_string(impl_->id);
}

Codepage::~Codepage() = default;

bool Codepage::single_byte() const { return impl_->single_byte; }

common::Text Codepage::Decode(std::string_view bytes) const {
  common::Text text;
  if (bytes.empty()) return text;
  // Without MB_ERR_INVALID_CHARS every byte converts: a byte that the code page leaves undefined
  // becomes the system's stand-in for it, a broken multi-byte sequence the default character.
  const int length = CheckedLength(bytes.size());
  int needed = MultiByteToWideChar(impl_->id, 0, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return text;
  text.resize(static_cast<size_t>(needed));
  int written = MultiByteToWideChar(impl_->id, 0, bytes.data(), length, reinterpret_cast<LPWSTR>(text.data()), needed);
  text.resize(static_cast<size_t>(written > 0 ? written : 0));
  return text;
}

std::string Codepage::Encode(common::TextView text) const {
  std::string bytes;
  if (text.empty()) return bytes;
  const int length = CheckedLength(text.size());
  // No best-fit mapping: a character the code page cannot hold becomes "?", never a look-alike.
  const bool plain = TakesNoConversionOptions(impl_->id);
  const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* substitute = plain ? nullptr : "?";
  const auto* wide = reinterpret_cast<LPCWSTR>(text.data());
  int needed = WideCharToMultiByte(impl_->id, flags, wide, length, nullptr, 0, substitute, nullptr);
  if (needed <= 0) return std::string(text.size(), '?');
  bytes.resize(static_cast<size_t>(needed));
  int written = WideCharToMultiByte(impl_->id, flags, wide, length, bytes.data(), needed, substitute, nullptr);
  bytes.resize(static_cast<size_t>(written > 0 ? written : 0));
  return bytes;
}

}  // namespace platform
