#pragma once

#include <ostream>
#include <string>

#include "common/text.h"
#include "directory/ldif_reader.h"
#include "directory/vcard_reader.h"

// Readable failure output for the readers' results, and the cases of files they refuse.
namespace directory {

// Bytes a reader refuses as a whole, and the reason its message gives after the file's name.
struct BrokenExport {
  const char* what;
  std::string bytes;
  const char* message;
};

inline void PrintTo(const GalEntry& entry, std::ostream* os) {
  *os << "{\"" << common::ToUtf8(entry.name) << "\", \"" << common::ToUtf8(entry.address) << "\"}";
}

inline void PrintTo(const ContactCard& card, std::ostream* os) {
  *os << "{\"" << common::ToUtf8(card.last_name) << "\", \"" << common::ToUtf8(card.first_name) << "\", \""
      << common::ToUtf8(card.business_phone) << "\"}";
}

}  // namespace directory
