#include "directory/mail_directory.h"

#include <utility>

#include "directory/outlook_names.h"

namespace directory {

platform::AutomationRef MadeAsOutlook(const std::function<platform::AutomationRef()>& make) {
  // E_FAIL names a failure that came without a status of its own.
  constexpr uint32_t kUnspecifiedFailure = 0x80004005u;
  platform::AutomationRef object;
  try {
    object = make();
  } catch (const common::Error& error) {
    throw platform::CreationFailed(error.message(), kUnspecifiedFailure, kOutlookProgId);
  }
  if (!object) throw platform::CreationFailed(u"", kUnspecifiedFailure, kOutlookProgId);
  return object;
}

platform::AutomationRef OutlookDirectory::CreateApplication() {
  return platform::CreateAutomationObject(kOutlookProgId);
}

DirectoryFiles::DirectoryFiles(platform::FileSystem& files, common::Text gal_path, common::Text contacts_path,
                               std::string codepage)
    : exports_(files, std::move(gal_path), std::move(contacts_path), std::move(codepage)) {}

platform::AutomationRef DirectoryFiles::CreateApplication() {
  return MadeAsOutlook([&] { return exports_.Read(); });
}

void DirectoryFiles::Release() { exports_.Forget(); }

}  // namespace directory
