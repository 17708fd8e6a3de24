#include "directory/live_directory.h"

#include <utility>

#include "directory/outlook_stand_in.h"

namespace directory {

LiveDirectory::LiveDirectory(platform::FileSystem& files, std::optional<LdapSource> gal, common::Text gal_file,
                             std::optional<CardDavSource> contacts, common::Text contacts_file, std::string codepage)
    : files_(files),
      gal_(std::move(gal)),
      gal_file_(std::move(gal_file)),
      contacts_(std::move(contacts)),
      contacts_file_(std::move(contacts_file)),
      codepage_(std::move(codepage)) {}

void LiveDirectory::Load() {
  loaded_ = false;
  std::vector<GalEntry> entries = gal_ ? ReadGalLdap(files_, *gal_) : ReadGalFile(files_, gal_file_, codepage_);
  std::vector<ContactCard> cards = contacts_ ? ReadContactsCardDav(files_, *contacts_, codepage_)
                                             : ReadContactsFile(files_, contacts_file_, codepage_);
  entries_ = std::move(entries);
  cards_ = std::move(cards);
  loaded_ = true;
}

platform::AutomationRef LiveDirectory::CreateApplication() {
  return MadeAsOutlook([&] {
    if (!loaded_) Load();
    return OutlookObjectModel(entries_, cards_);
  });
}

}  // namespace directory
