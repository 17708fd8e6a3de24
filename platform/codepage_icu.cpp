#include "platform/codepage.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <array>
#include <vector>

#include "common/error.h"

namespace platform {

struct Codepage::Impl {
  bool single_byte = false;
  std::array<char16_t, 256> to_unicode{};
  std::vector<unsigned char> from_unicode;  // 65536 entries; 0 means "not representable" except for U+0000
  std::string icu_name;
};

namespace {

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

Converter OpenConverter(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) || !converter) {
    throw common::Error(common::FromUtf8("Unknown code page '" + name + "'"));
  }
  return converter;
}

}  // namespace

Codepage::Codepage(std::string_view name) : name_(name), impl_(std::make_unique<Impl>()) {
  impl_->icu_name = name_;
  Converter converter = OpenConverter(name_);
  impl_->single_byte = ucnv_getMaxCharSize(converter.get()) == 1;
  if (!impl_->single_byte) return;

  impl_->from_unicode.assign(0x10000, 0);
  for (int b = 0; b < 256; ++b) {
    char byte = static_cast<char>(b);
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter.get());
    UConverterToUCallback old_action;
    const void* old_context;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, &old_action, &old_context, &status);
    int32_t n = ucnv_toUChars(converter.get(), out, 4, &byte, 1, &status);
    char16_t c = (U_SUCCESS(status) && n == 1) ? static_cast<char16_t>(out[0]) : static_cast<char16_t>(b);
    impl_->to_unicode[b] = c;
  }
  // Reverse map: prefer the lowest byte for a character that several bytes decode to.
  for (int b = 255; b >= 0; --b) impl_->from_unicode[impl_->to_unicode[b]] = static_cast<unsigned char>(b);
}

Codepage::~Codepage() = default;

bool Codepage::single_byte() const { return impl_->single_byte; }

common::Text Codepage::Decode(std::string_view bytes) const {
  common::Text text;
  if (impl_->single_byte) {
    text.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) text[i] = impl_->to_unicode[static_cast<unsigned char>(bytes[i])];
    return text;
  }
  if (bytes.empty()) return text;
  Converter converter = OpenConverter(impl_->icu_name);
  UErrorCode status = U_ZERO_ERROR;
  text.resize(bytes.size() * 2 + 2);
  int32_t n = ucnv_toUChars(converter.get(), reinterpret_cast<UChar*>(text.data()), static_cast<int32_t>(text.size()),
                            bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) return common::Text();
  text.resize(static_cast<size_t>(n));
  return text;
}

std::string Codepage::Encode(common::TextView text) const {
  std::string bytes;
  if (impl_->single_byte) {
    bytes.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      char16_t c = text[i];
      unsigned char b = impl_->from_unicode[c];
      bytes[i] = (b == 0 && c != 0) ? '?' : static_cast<char>(b);
    }
    return bytes;
  }
  if (text.empty()) return bytes;
  Converter converter = OpenConverter(impl_->icu_name);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  status = U_ZERO_ERROR;
  bytes.resize(text.size() * 4 + 4);
  int32_t n = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                              reinterpret_cast<const UChar*>(text.data()), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return std::string(text.size(), '?');
  bytes.resize(static_cast<size_t>(n));
  return bytes;
}

}  // namespace platform
