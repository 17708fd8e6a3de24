#pragma once

#include <ostream>

#include "common/text.h"
#include "directory/ldif_reader.h"
#include "directory/vcard_reader.h"

// Readable failure output for the readers' results.
namespace directory {

inline void PrintTo(const GalEntry& entry, std::ostream* os) {
  *os << "{\"" << common::ToUtf8(entry.name) << "\", \"" << common::ToUtf8(entry.address) << "\"}";
}

inline void PrintTo(const ContactCard& card, std::ostream* os) {
  *os << "{\"" << common::ToUtf8(card.last_name) << "\", \"" << common::ToUtf8(card.first_name) << "\", \""
      << common::ToUtf8(card.business_phone) << "\"}";
}

}  // namespace directory
