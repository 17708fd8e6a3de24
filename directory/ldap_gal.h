#pragma once

#include <vector>

#include "common/text.h"
#include "directory/ldif_reader.h"
#include "platform/file_system.h"

namespace directory {

enum class LdapBind { kSimple, kGssapi };

// Where and how the address list is read from a directory server (Active Directory or any LDAP
// server with its attributes).
struct LdapSource {
  // "ldaps://dc1.corp.example" or "ldap://dc1.corp.example:389"; several separated by blanks are
  // tried in turn.
  common::Text uri;
  // Where the search starts; empty: the server's defaultNamingContext.
  common::Text base;
  // The address list's DN; empty: the default global address list the directory names (the
  // RootDSE's configurationNamingContext, then globalAddressList of
  // CN=Microsoft Exchange,CN=Services,<configuration>).
  common::Text address_list;
  // Kerberos: SASL GSSAPI with the user's ticket; on Windows Negotiate with the logged-on user's.
  LdapBind bind = LdapBind::kSimple;
  // For a simple bind, as the directory takes it: a DN, user@domain or DOMAIN\user.
  common::Text user;
  // For a simple bind: a file holding the password (one trailing line break is not part of it).
  common::Text password_file;
  // The certificates of the authorities trusted for the server's certificate; empty: the system's.
  // Windows' LDAP client trusts only the system's certificate store: there a CA file is refused.
  common::Text ca_file;
  bool start_tls = false;    // ldap:// upgraded with StartTLS before the bind
  int timeout_seconds = 30;  // bounds the connect, the TLS handshake and each request
  bool insecure = false;     // allows a simple bind over ldap:// without TLS
};

// Reads every entry of the address list from the first of the servers that takes a connection (a
// plain connect decides; the last is used when none does): one search under the base, 500 entries
// a page, for the objects whose showInAddressBook holds the list's DN and that are not hidden
// (msExchHideFromAddressLists TRUE). Referrals and search references are not followed. Each entry is
// what ReadGal gives for the same object (MakeGalEntry), in the server's order. The password file is
// read through `files`.
//
// What the settings alone refuse (a simple bind over ldap:// without TLS unless insecure, a missing
// or empty password file, StartTLS on ldaps://, a CA file on Windows) is refused before any
// connection is made. All or nothing: every failure throws common::Error
// "Cannot read the address list from <uri>: <what failed and what to check>. <library text>", among
// them a bind refused, a search that fails or stops at a size limit, and an address list without
// entries; nothing is returned then.
std::vector<GalEntry> ReadGalLdap(platform::FileSystem& files, const LdapSource& source);

}  // namespace directory
