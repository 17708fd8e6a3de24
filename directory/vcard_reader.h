#pragma once

#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"

namespace directory {

// One contact of the contacts folder, as the mail client shows it.
struct ContactCard {
  common::Text last_name;       // first component of N
  common::Text first_name;      // second component of N
  common::Text business_phone;  // the first TEL typed work and not fax, cell or pager
  bool operator==(const ContactCard&) const = default;
};

// Reads the contacts of a vCard file: 2.1 as mail clients export it (CHARSET per property,
// QUOTED-PRINTABLE with soft line breaks, bare types), 3.0 and 4.0 (folding, even inside a
// character, "\," "\;" "\n" escapes, TYPE lists, quoted parameters, "item1." groups). Values without
// a CHARSET are UTF-8, or `codepage` when they are not well-formed UTF-8 (see DecodeValue). The
// cards come back in file order; cards nested in a card (2.1 AGENT) are skipped.
//
// `bytes` is the file's content and `path` names it in messages. Throws MalformedFile for every
// fault, with the line where it lies.
std::vector<ContactCard> ReadContacts(std::string_view bytes, const common::Text& path, std::string_view codepage);

// ReadContacts on the file at `path`; throws common::CannotOpenFile when it cannot be read.
std::vector<ContactCard> ReadContactsFile(platform::FileSystem& files, const common::Text& path,
                                          std::string_view codepage);

}  // namespace directory
