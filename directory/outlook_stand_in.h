#pragma once

#include <string>
#include <string_view>

#include "common/text.h"
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

// Reads both files now and returns the application object; values that are not UTF-8 are in
// `codepage`, the code page of workstation files (DecodeValue). Throws MalformedFile or
// common::CannotOpenFile when either file cannot be read.
platform::AutomationRef CreateOutlookStandIn(platform::FileSystem& files, const common::Text& gal_path,
                                             const common::Text& contacts_path, std::string_view codepage);

// Registers the stand-in as "Outlook.Application" over the given files, read through `files` (which
// must outlive the registration) as CreateOutlookStandIn reads them. Each creation reads the files
// again, so a creation fails with "<reason>, ProgID: "Outlook.Application"" while a file is missing
// or broken.
void RegisterOutlookStandIn(platform::FileSystem& files, common::Text gal_path, common::Text contacts_path,
                            std::string codepage);

}  // namespace directory
