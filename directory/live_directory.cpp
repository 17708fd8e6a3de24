#include "directory/live_directory.h"

#include <utility>

#include "common/error.h"
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
  std::vector<ContactCard> cards;
  if (contacts_) {
#ifdef _WIN32
    // The Windows build has no HTTP and XML libraries, and its programs offer no CardDAV source.
    throw common::Error(u"Cannot read the contacts from " + contacts_->url + u": CardDAV is not in this build.");
#else
    cards = ReadContactsCardDav(files_, *contacts_, codepage_);
#endif
  } else {
    cards = ReadContactsFile(files_, contacts_file_, codepage_);
  }
  entries_ = std::make_shared<const std::vector<GalEntry>>(std::move(entries));
  cards_ = std::make_shared<const std::vector<ContactCard>>(std::move(cards));
  loaded_ = true;
}

void LiveDirectory::Release() {
  loaded_ = false;
  entries_.reset();
  cards_.reset();
}

platform::AutomationRef LiveDirectory::CreateApplication() {
  return MadeAsOutlook([&] {
    if (!loaded_) Load();
    return OutlookObjectModel(entries_, cards_);
  });
}

}  // namespace directory
