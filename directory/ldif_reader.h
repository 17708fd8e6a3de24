#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "platform/file_system.h"

namespace directory {

// One entry of the global address list, as the mail client shows it.
struct GalEntry {
  common::Text name;     // displayName as stored, blanks kept; empty when the entry has none
  common::Text address;  // legacyExchangeDN, else targetAddress without "SMTP:", else mail
  bool operator==(const GalEntry&) const = default;
};

// Reads the global address list from an LDIF export (an LDAP search, or a Windows directory export
// in ANSI or UTF-16 with a byte-order mark): folded lines, comments, base64 values and a leading
// "version: 1" are understood. The entries come back in file order.
//
// Membership: when any entry carries showInAddressBook, the list holds the entries that name the
// default global address list there; otherwise every entry with a displayName or a mail address.
// Entries with msExchHideFromAddressLists TRUE are never in it.
//
// `bytes` is the file's content and `path` names it in messages; values that are not UTF-8 are in
// `codepage` (see DecodeValue). A value that points elsewhere ("attr:< file:///...") is refused and
// never followed. Throws MalformedFile for every fault, with the line where it lies.
std::vector<GalEntry> ReadGal(std::string_view bytes, const common::Text& path, std::string_view codepage);

// The entry of one directory object from the first value of each attribute, absent ones null: the
// rule every reader of the address list shares. Values are decoded as DecodeValue does.
GalEntry MakeGalEntry(const std::string* display_name, const std::string* legacy_exchange_dn,
                      const std::string* target_address, const std::string* mail, std::string_view codepage);

// ReadGal on the file at `path`; throws common::CannotOpenFile when it cannot be read.
std::vector<GalEntry> ReadGalFile(platform::FileSystem& files, const common::Text& path, std::string_view codepage);

}  // namespace directory
