#include "tests/directory/fake_outlook.h"

#include "common/error.h"
#include "platform/automation.h"

namespace directory::testing {

struct FakeOutlook::State {
  FakeOutlook* owner = nullptr;
  std::vector<std::string> calls;
  std::string fail_call;
  int fail_occurrence = 0;
  common::Text fail_message;
  int live = 0;
  std::vector<int> phone_reads;

  // Logs the call and throws when it is the one chosen to fail.
  void Log(std::string call) {
    calls.push_back(call);
    if (fail_call.empty() || call != fail_call) return;
    if (--fail_occurrence == 0) throw common::Error(fail_message);
  }
};

namespace {

using platform::AutomationArgument;
using platform::AutomationRef;
using platform::AutomationValue;
using platform::Invocation;

std::string Describe(Invocation invocation) {
  switch (invocation) {
    case Invocation::kMethod:
      return "method";
    case Invocation::kPropertyGet:
      return "property";
    case Invocation::kMethodOrPropertyGet:
      return "get";
  }
  return "?";
}

std::string Describe(std::span<const AutomationArgument> arguments) {
  std::string text;
  for (const AutomationArgument& argument : arguments) {
    if (!text.empty()) text += ",";
    if (auto* s = std::get_if<common::Text>(&argument)) {
      text += common::ToUtf8(*s);
    } else {
      text += std::to_string(std::get<int32_t>(argument));
    }
  }
  return text;
}

class FakeObject : public platform::AutomationObject {
 public:
  FakeObject(std::shared_ptr<FakeOutlook::State> state, std::string role, size_t index = 0)
      : state_(std::move(state)), role_(std::move(role)), index_(index) {
    ++state_->live;
  }
  ~FakeObject() override { --state_->live; }

  AutomationValue Invoke(common::TextView name, Invocation invocation,
                         std::span<const AutomationArgument> arguments) override {
    const std::string member = common::ToUtf8(name);
    std::string label = role_ + (role_ == "entry" || role_ == "item" ? std::to_string(index_ + 1) : "");
    state_->Log(label + "." + member + "/" + Describe(invocation) + "(" + Describe(arguments) + ")");
    const FakeOutlook& outlook = *state_->owner;
    auto index = [&](size_t size) {
      int32_t i = std::get<int32_t>(arguments[0]);
      if (i < 1 || static_cast<size_t>(i) > size) throw platform::MemberCallFailed(u"Array index out of bounds", 1);
      return static_cast<size_t>(i - 1);
    };
    if (role_ == "application" && member == "GetNameSpace") return Make("namespace");
    if (role_ == "namespace" && member == "AddressLists") return Make("list");
    if (role_ == "namespace" && member == "GetDefaultFolder") return Make("folder");
    if (role_ == "list" && member == "AddressEntries") {
      return arguments.empty() ? Make("entries") : Make("entry", index(outlook.entries.size()));
    }
    if (role_ == "folder" && member == "Items") {
      return arguments.empty() ? Make("items") : Make("item", index(outlook.contacts.size()));
    }
    if (role_ == "entries" && member == "Count") {
      return outlook.entry_count.value_or(static_cast<int32_t>(outlook.entries.size()));
    }
    if (role_ == "items" && member == "Count") {
      return outlook.contact_count.value_or(static_cast<int32_t>(outlook.contacts.size()));
    }
    if (role_ == "entry" && member == "Name") return outlook.entries[index_].name;
    if (role_ == "entry" && member == "Address") return outlook.entries[index_].address;
    if (role_ == "item" && member == "LastName") return outlook.contacts[index_].last_name;
    if (role_ == "item" && member == "FirstName") return outlook.contacts[index_].first_name;
    if (role_ == "item" && member == "BusinessTelephoneNumber") {
      const FakeContact& contact = outlook.contacts[index_];
      state_->phone_reads.resize(outlook.contacts.size());
      bool later = state_->phone_reads[index_]++ > 0 && contact.phone_later;
      return later ? *contact.phone_later : contact.phone;
    }
    throw platform::MemberNotSupported(name);
  }

 private:
  AutomationValue Make(std::string role, size_t index = 0) {
    return AutomationRef(std::make_shared<FakeObject>(state_, std::move(role), index));
  }

  std::shared_ptr<FakeOutlook::State> state_;
  std::string role_;
  size_t index_;
};

}  // namespace

FakeOutlook::FakeOutlook() : state_(std::make_shared<State>()) { state_->owner = this; }

FakeOutlook::~FakeOutlook() = default;

AutomationRef FakeOutlook::CreateApplication() {
  return MadeAsOutlook([&]() -> AutomationRef {
    state_->Log("create");
    return std::make_shared<FakeObject>(state_, "application");
  });
}

void FakeOutlook::FailAt(std::string call, int occurrence, common::Text message) {
  state_->fail_call = std::move(call);
  state_->fail_occurrence = occurrence;
  state_->fail_message = std::move(message);
}

const std::vector<std::string>& FakeOutlook::calls() const { return state_->calls; }

int FakeOutlook::live_objects() const { return state_->live; }

}  // namespace directory::testing
