#pragma once

#include <memory>
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

using GalList = std::shared_ptr<const std::vector<GalEntry>>;
using ContactList = std::shared_ptr<const std::vector<ContactCard>>;

// The application object over entries a directory source has gathered (the export files, or a live
// source: LDAP, CardDAV), which it shares with every other object made over the same lists.
platform::AutomationRef OutlookObjectModel(GalList gal, ContactList contacts);

// The export files read into lists. Each Read reads both files again, so that every application object
// sees them as they are then, and parses a file only when its bytes differ from those of the last
// Read: the two exports of a run create one application each, and the address list is the larger part
// of their work. Values that are not UTF-8 are in `codepage`, the code page of workstation files
// (DecodeValue).
class ExportFiles {
 public:
  ExportFiles(platform::FileSystem& files, common::Text gal_path, common::Text contacts_path, std::string codepage);

  // Throws MalformedFile or common::CannotOpenFile when either file cannot be read (the address list
  // first).
  platform::AutomationRef Read();
  // Lets go of what the last Read kept (the next Read parses both files again).
  void Forget();

 private:
  platform::FileSystem& files_;
  common::Text gal_path_;
  common::Text contacts_path_;
  std::string codepage_;
  std::string gal_bytes_;
  std::string contacts_bytes_;
  GalList gal_;
  ContactList contacts_;
};

}  // namespace directory
