#include "directory/outlook_stand_in.h"

#include <memory>
#include <vector>

#include "directory/directory_file.h"
#include "directory/ldif_reader.h"
#include "directory/outlook_names.h"
#include "directory/vcard_reader.h"

namespace directory {
namespace {

using platform::AutomationArgument;
using platform::AutomationRef;
using platform::AutomationValue;
using platform::Invocation;
using platform::SameMemberName;
using Arguments = std::span<const AutomationArgument>;

// Status codes that name the failure when a description is missing (the IDispatch ones).
constexpr uint32_t kBadParamCount = 0x8002000Eu;
constexpr uint32_t kTypeMismatch = 0x80020005u;
constexpr uint32_t kBadIndex = 0x8002000Bu;
constexpr uint32_t kNotFound = 0x8004010Fu;

struct Directory {
  GalList gal;
  ContactList contacts;
};
using DirectoryRef = std::shared_ptr<const Directory>;

void ExpectArguments(Arguments arguments, size_t count) {
  if (arguments.size() != count) throw platform::MemberCallFailed(u"Invalid number of parameters", kBadParamCount);
}

common::Text TextArgument(Arguments arguments) {
  ExpectArguments(arguments, 1);
  if (auto* text = std::get_if<common::Text>(&arguments[0])) return *text;
  return common::FromUtf8(std::to_string(std::get<int32_t>(arguments[0])));
}

int32_t IntegerArgument(Arguments arguments) {
  ExpectArguments(arguments, 1);
  if (auto* number = std::get_if<int32_t>(&arguments[0])) return *number;
  throw platform::MemberCallFailed(u"Type mismatch", kTypeMismatch);
}

// The 1-based `index` into a list of `size` elements, as a 0-based position.
size_t Position(int32_t index, size_t size) {
  if (index < 1 || static_cast<size_t>(index) > size) {
    throw platform::MemberCallFailed(u"Array index out of bounds", kBadIndex);
  }
  return static_cast<size_t>(index - 1);
}

class Collection : public platform::AutomationObject {
 public:
  explicit Collection(size_t count) : count_(static_cast<int32_t>(count)) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    if (!SameMemberName(name, u"Count")) throw platform::MemberNotSupported(name);
    ExpectArguments(arguments, 0);
    return count_;
  }

 private:
  int32_t count_;
};

class Entry : public platform::AutomationObject {
 public:
  Entry(DirectoryRef directory, size_t position) : directory_(std::move(directory)), position_(position) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    const GalEntry& entry = (*directory_->gal)[position_];
    if (SameMemberName(name, u"Name")) return (ExpectArguments(arguments, 0), entry.name);
    if (SameMemberName(name, u"Address")) return (ExpectArguments(arguments, 0), entry.address);
    throw platform::MemberNotSupported(name);
  }

 private:
  DirectoryRef directory_;
  size_t position_;
};

class AddressList : public platform::AutomationObject {
 public:
  explicit AddressList(DirectoryRef directory) : directory_(std::move(directory)) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    if (SameMemberName(name, u"Name")) return (ExpectArguments(arguments, 0), common::Text(kGlobalAddressListName));
    if (!SameMemberName(name, u"AddressEntries")) throw platform::MemberNotSupported(name);
    if (arguments.empty()) return AutomationRef(std::make_shared<Collection>(directory_->gal->size()));
    size_t position = Position(IntegerArgument(arguments), directory_->gal->size());
    return AutomationRef(std::make_shared<Entry>(directory_, position));
  }

 private:
  DirectoryRef directory_;
};

class ContactItem : public platform::AutomationObject {
 public:
  ContactItem(DirectoryRef directory, size_t position) : directory_(std::move(directory)), position_(position) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    const ContactCard& card = (*directory_->contacts)[position_];
    if (SameMemberName(name, u"LastName")) return (ExpectArguments(arguments, 0), card.last_name);
    if (SameMemberName(name, u"FirstName")) return (ExpectArguments(arguments, 0), card.first_name);
    if (SameMemberName(name, u"BusinessTelephoneNumber")) return (ExpectArguments(arguments, 0), card.business_phone);
    throw platform::MemberNotSupported(name);
  }

 private:
  DirectoryRef directory_;
  size_t position_;
};

class ContactsFolder : public platform::AutomationObject {
 public:
  explicit ContactsFolder(DirectoryRef directory) : directory_(std::move(directory)) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    if (!SameMemberName(name, u"Items")) throw platform::MemberNotSupported(name);
    if (arguments.empty()) return AutomationRef(std::make_shared<Collection>(directory_->contacts->size()));
    size_t position = Position(IntegerArgument(arguments), directory_->contacts->size());
    return AutomationRef(std::make_shared<ContactItem>(directory_, position));
  }

 private:
  DirectoryRef directory_;
};

class Namespace : public platform::AutomationObject {
 public:
  explicit Namespace(DirectoryRef directory) : directory_(std::move(directory)) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    if (SameMemberName(name, u"AddressLists")) {
      // Only the global address list is exported; any other list is not found, as the mail
      // client reports an unknown list name.
      if (TextArgument(arguments) != kGlobalAddressListName) {
        throw platform::MemberCallFailed(u"The attempted operation failed.  An object could not be found.", kNotFound);
      }
      return AutomationRef(std::make_shared<AddressList>(directory_));
    }
    if (SameMemberName(name, u"GetDefaultFolder")) {
      if (IntegerArgument(arguments) != kContactsFolder) {
        throw platform::MemberCallFailed(u"Only the contacts folder (10) is available", kNotFound);
      }
      return AutomationRef(std::make_shared<ContactsFolder>(directory_));
    }
    throw platform::MemberNotSupported(name);
  }

 private:
  DirectoryRef directory_;
};

class Application : public platform::AutomationObject {
 public:
  explicit Application(DirectoryRef directory) : directory_(std::move(directory)) {}
  AutomationValue Invoke(common::TextView name, Invocation, Arguments arguments) override {
    if (!SameMemberName(name, u"GetNameSpace")) throw platform::MemberNotSupported(name);
    common::Text type = TextArgument(arguments);
    if (!platform::SameMemberName(type, kMapiNamespace)) {
      throw platform::MemberCallFailed(u"The namespace \"" + type + u"\" is not available; only \"MAPI\" is",
                                       kNotFound);
    }
    return AutomationRef(std::make_shared<Namespace>(directory_));
  }

 private:
  DirectoryRef directory_;
};

}  // namespace

platform::AutomationRef OutlookObjectModel(GalList gal, ContactList contacts) {
  auto directory = std::make_shared<Directory>(Directory{std::move(gal), std::move(contacts)});
  return std::make_shared<Application>(std::move(directory));
}

ExportFiles::ExportFiles(platform::FileSystem& files, common::Text gal_path, common::Text contacts_path,
                         std::string codepage)
    : files_(files),
      gal_path_(std::move(gal_path)),
      contacts_path_(std::move(contacts_path)),
      codepage_(std::move(codepage)) {}

platform::AutomationRef ExportFiles::Read() {
  std::string gal_bytes = ReadDirectoryFile(files_, gal_path_);
  if (!gal_ || gal_bytes != gal_bytes_) {
    gal_.reset();
    gal_ = std::make_shared<const std::vector<GalEntry>>(ReadGal(gal_bytes, gal_path_, codepage_));
    gal_bytes_ = std::move(gal_bytes);
  }
  std::string contacts_bytes = ReadDirectoryFile(files_, contacts_path_);
  if (!contacts_ || contacts_bytes != contacts_bytes_) {
    contacts_.reset();
    contacts_ =
        std::make_shared<const std::vector<ContactCard>>(ReadContacts(contacts_bytes, contacts_path_, codepage_));
    contacts_bytes_ = std::move(contacts_bytes);
  }
  return OutlookObjectModel(gal_, contacts_);
}

void ExportFiles::Forget() {
  gal_bytes_ = std::string();
  contacts_bytes_ = std::string();
  gal_.reset();
  contacts_.reset();
}

}  // namespace directory
