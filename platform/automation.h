#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <variant>

#include "common/error.h"
#include "common/text.h"

// Late-bound automation objects: an object is created from a programmatic identifier
// ("Outlook.Application") and every member is reached by its name at the time of the call. On
// Windows this is COM through IDispatch; an object of our own (the mail client stand-in, a test
// server) implements AutomationObject and is handed to whoever calls it.
namespace platform {

class AutomationObject;
// A reference to an automation object; the object is released when the last reference goes.
using AutomationRef = std::shared_ptr<AutomationObject>;

// How a member is invoked. The values are the IDispatch flags, so that the COM side hands them on
// unchanged: a method, a property read, or both at once (the object picks whichever it has).
enum class Invocation : uint16_t {
  kMethod = 1,
  kPropertyGet = 2,
  kMethodOrPropertyGet = 3,
};

// An argument travels as text (an OLE string) or as a 32-bit integer.
using AutomationArgument = std::variant<common::Text, int32_t>;

// The result of a member call: nothing, text, an integer or an object.
class AutomationValue {
 public:
  AutomationValue() = default;
  AutomationValue(common::Text text) : value_(std::move(text)) {}
  AutomationValue(int32_t number) : value_(number) {}
  AutomationValue(AutomationRef object) : value_(std::move(object)) {}

  bool empty() const { return std::holds_alternative<std::monostate>(value_); }

  // Conversions as the automation runtime makes them: nothing is the empty text or 0, an integer
  // reads as decimal text, a text reads as an integer when it is one. Anything else throws
  // "Type mismatch".
  common::Text AsText() const;
  int32_t AsInteger() const;
  // Throws "Type mismatch" unless the value is an object.
  AutomationRef AsObject() const;

 private:
  std::variant<std::monostate, common::Text, int32_t, AutomationRef> value_;
};

class AutomationObject {
 public:
  virtual ~AutomationObject() = default;

  // Calls the member `name` (names ignore ASCII case) with `arguments`. Throws
  // MemberNotSupported(name) for a name the object does not know and MemberCallFailed(...) when the
  // object rejects the call.
  virtual AutomationValue Invoke(common::TextView name, Invocation invocation,
                                 std::span<const AutomationArgument> arguments) = 0;

  // Shorthands for the three kinds of call.
  AutomationValue Get(common::TextView name) { return Invoke(name, Invocation::kMethodOrPropertyGet, {}); }
  AutomationValue Method(common::TextView name, std::initializer_list<AutomationArgument> arguments) {
    return Invoke(name, Invocation::kMethod, std::span(arguments.begin(), arguments.size()));
  }
  AutomationValue Property(common::TextView name, std::initializer_list<AutomationArgument> arguments) {
    return Invoke(name, Invocation::kPropertyGet, std::span(arguments.begin(), arguments.size()));
  }
};

// Creates the object the system registers as `prog_id` (on Windows through COM; elsewhere there is
// no class registry, and every identifier is unknown). Throws CreationFailed: "<reason>, ProgID:
// "<prog_id>"", where the reason is the system's description of the failure.
AutomationRef CreateAutomationObject(common::TextView prog_id);

// The error texts of the layer. `status` is the system's status code (an HRESULT on Windows) and
// names the failure as "OLE error %.8x" when there is no description. Trailing full stops and
// blanks are removed from descriptions.
common::Error CreationFailed(common::TextView reason, uint32_t status, common::TextView prog_id);
// "Method '%s' not supported by automation object".
common::Error MemberNotSupported(common::TextView name);
common::Error MemberCallFailed(common::TextView description, uint32_t status);

// Member names are matched the way IDispatch matches them: ASCII letters ignoring case.
bool SameMemberName(common::TextView a, common::TextView b);

}  // namespace platform
