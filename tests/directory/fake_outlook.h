#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/text.h"
#include "directory/mail_directory.h"

namespace directory::testing {

struct FakeEntry {
  common::Text name;
  common::Text address;
};

struct FakeContact {
  common::Text last_name;
  common::Text first_name;
  common::Text phone;
  // What BusinessTelephoneNumber answers from its second read on, when it differs from the first.
  std::optional<common::Text> phone_later = std::nullopt;
};

// A scripted mail client, handed to the export as its mail directory. It answers the
// export's calls from `entries` and `contacts`, logs every call as
// "<object>.<member>/<method|property|get>(<arguments>)" (creations as "create"), and fails the call
// chosen with FailAt. Objects are "application", "namespace", "list", "entries", "entry<i>",
// "folder", "items" and "item<j>".
class FakeOutlook : public MailDirectory {
 public:
  FakeOutlook();
  ~FakeOutlook() override;
  platform::AutomationRef CreateApplication() override;
  FakeOutlook(const FakeOutlook&) = delete;
  FakeOutlook& operator=(const FakeOutlook&) = delete;

  std::vector<FakeEntry> entries;
  std::vector<FakeContact> contacts;
  // What Count answers, when not the number of entries or contacts.
  std::optional<int32_t> entry_count;
  std::optional<int32_t> contact_count;

  // The `occurrence`-th call logged as `call` throws common::Error(`message`) instead of answering.
  void FailAt(std::string call, int occurrence, common::Text message);

  const std::vector<std::string>& calls() const;
  // Objects handed out and not yet released.
  int live_objects() const;

  struct State;

 private:
  std::shared_ptr<State> state_;
};

}  // namespace directory::testing
