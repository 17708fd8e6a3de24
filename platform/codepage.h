#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/text.h"

namespace platform {

// A legacy code page (windows-1251, cp866, windows-1252, ...), named as ICU names converters. On
// Windows the conversion is the system's (MultiByteToWideChar/WideCharToMultiByte); there the name
// "ACP" also stands for the system's ANSI code page, and name() then gives it as "windows-<number>".
// Decoding never fails: every byte sequence converts (a byte the code page leaves undefined becomes
// the C1 control of the same value, as Windows does; a broken multi-byte sequence becomes U+FFFD).
// Encoding never fails either: a character the code page cannot hold becomes "?".
class Codepage {
 public:
  // Throws common::Error "Unknown code page '%s'" for a name the platform does not know.
  explicit Codepage(std::string_view name);
  ~Codepage();
  Codepage(const Codepage&) = delete;
  Codepage& operator=(const Codepage&) = delete;

  const std::string& name() const { return name_; }
  bool single_byte() const;

  common::Text Decode(std::string_view bytes) const;
  std::string Encode(common::TextView text) const;

  // Shared instances, built once per name.
  static const Codepage& Get(std::string_view name);

 private:
  struct Impl;
  std::string name_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
