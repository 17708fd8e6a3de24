#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "directory/ldif_reader.h"
#include "directory/vcard_reader.h"
#include "platform/automation.h"
#include "platform/file_system.h"

// Where there is no mail client, the directory comes from the organisation's own exports: the
// global address list as an LDIF file and the contacts folder as a vCard file. The stand-in is an
// automation object that answers the calls the export makes of the mail client:
//
//   application.GetNameSpace("MAPI")                    -> namespace
//   namespace.AddressLists("Глобальный список адресов") -> address list
//   address list.AddressEntries                         -> entries, with Count
//   address list.AddressEntries(i)                      -> entry i (from 1), with Name and Address
//   namespace.GetDefaultFolder(10)                      -> contacts folder
//   contacts folder.Items                               -> items, with Count
//   contacts folder.Items(j)                            -> item j (from 1), with LastName, FirstName
//                                                          and BusinessTelephoneNumber
//
// Any other member gives "Method '%s' not supported by automation object"; a call with the wrong
// arguments, an index out of range or another list or folder is rejected with a description.
namespace directory {

// The application object over entries a directory source has gathered: a live source (LDAP, CardDAV)
// answers the export through this as the exports do.
platform::AutomationRef OutlookObjectModel(std::vector<GalEntry> gal, std::vector<ContactCard> contacts);

// Reads both files now and returns the application object; values that are not UTF-8 are in
// `codepage`, the code page of workstation files (DecodeValue). Throws MalformedFile or
// common::CannotOpenFile when either file cannot be read.
platform::AutomationRef CreateOutlookStandIn(platform::FileSystem& files, const common::Text& gal_path,
                                             const common::Text& contacts_path, std::string_view codepage);

}  // namespace directory
