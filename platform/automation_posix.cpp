#include "platform/automation.h"

namespace platform {

// There is no class registry here. The reason is the one Windows gives for an identifier it does not
// know.
AutomationRef CreateAutomationObject(common::TextView prog_id) {
  constexpr uint32_t kClassStringUnknown = 0x800401F3u;  // CO_E_CLASSSTRING
  throw CreationFailed(u"Invalid class string", kClassStringUnknown, prog_id);
}

}  // namespace platform
