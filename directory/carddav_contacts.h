#pragma once

#include <string_view>
#include <vector>

#include "common/text.h"
#include "directory/vcard_reader.h"
#include "platform/file_system.h"

namespace directory {

// Where the operator's contacts are read from: an address book collection on a CardDAV server
// (Radicale, Nextcloud, SOGo).
struct CardDavSource {
  common::Text url;            // the address book collection, "https://dav.corp.example/ivanov/contacts/"
  common::Text user;           // for HTTP basic authentication
  common::Text password_file;  // holds the password (one trailing line break is not part of it)
  common::Text ca_file;        // the authorities trusted for the server's certificate; empty: the system's
  int timeout_seconds = 30;    // bounds the connect and the whole request
  bool insecure = false;       // allows the password over http:// without TLS
};

// Reads every contact of the address book with one addressbook-query REPORT (Depth 1, the cards'
// address-data); each card goes through ReadContacts (values without a CHARSET that are not UTF-8
// in `codepage`), so the contacts are those the vCard file of the same cards gives, in the server's
// order. Redirects are not followed. The password file is read through `files`.
//
// All or nothing: every failure throws common::Error
// "Cannot read the contacts from <url>: <what failed and what to check>. <library text>", among them
// a refused password, an answer other than 207 Multi-Status, a reply that is not well-formed XML
// and a card the server withholds or the vCard reader refuses.
std::vector<ContactCard> ReadContactsCardDav(platform::FileSystem& files, const CardDavSource& source,
                                             std::string_view codepage);

}  // namespace directory
