#pragma once

#include <functional>
#include <string>

#include "common/text.h"
#include "directory/outlook_stand_in.h"
#include "platform/automation.h"
#include "platform/file_system.h"

namespace directory {

// The organisation's mail directory as the export reads it (GetExchange): an application object that
// answers the mail client's object model, the calls listed in outlook_stand_in.h. app/ builds one for
// its settings and hands it down; a live directory source is one more implementation.
class MailDirectory {
 public:
  virtual ~MailDirectory() = default;

  // Called by the export before it drops any table: a source that must be read completely first (a
  // live directory server) reads everything here and throws its failure, so that the tables stay as
  // they were. The mail client and the export files are read at creation; for them this does nothing.
  virtual void Load() {}

  // Called by the export when it is done, whether it wrote both tables or failed: what Load and the
  // application objects read may go, so that it is not held through the rest of the run.
  virtual void Release() {}

  // A new application object; the export asks for one per table and releases it when the table is
  // written. Throws common::Error "<reason>, ProgID: "Outlook.Application"" when there is none to be
  // had (MadeAsOutlook).
  virtual platform::AutomationRef CreateApplication() = 0;
};

// Runs `make` and returns what it made, with the failure texts of the mail client's own creation: a
// common::Error that `make` throws becomes "<its text without trailing stops>, ProgID:
// "Outlook.Application"", and no object "OLE error 80004005, ProgID: "Outlook.Application"".
platform::AutomationRef MadeAsOutlook(const std::function<platform::AutomationRef()>& make);

// The mail client itself: "Outlook.Application" through the system's automation (COM on Windows,
// which the calling thread must have initialised; elsewhere there is none, and each creation fails
// with "Invalid class string, ProgID: "Outlook.Application"").
class OutlookDirectory : public MailDirectory {
 public:
  platform::AutomationRef CreateApplication() override;
};

// The directory from the organisation's exports: the global address list as an LDIF file and the
// contacts folder as a vCard file, read through `files` (which must outlive this) each time an
// application is created, so that an export always sees the files as they are then (ExportFiles).
// Values that are not UTF-8 are in `codepage`. A file that cannot be read or is malformed fails the
// creation with its reason (MadeAsOutlook).
class DirectoryFiles : public MailDirectory {
 public:
  DirectoryFiles(platform::FileSystem& files, common::Text gal_path, common::Text contacts_path, std::string codepage);
  platform::AutomationRef CreateApplication() override;
  void Release() override;

 private:
  ExportFiles exports_;
};

}  // namespace directory
