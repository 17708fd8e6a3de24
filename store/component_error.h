#pragma once

#include <string_view>
#include <utility>

#include "common/error.h"

namespace store {

// Runs `action`, giving any engine error the component's name: "ADOQuery: Field 'X' not found".
template <typename Action>
decltype(auto) AsComponent(std::string_view component, Action&& action) {
  try {
    return std::forward<Action>(action)();
  } catch (const common::Error& error) {
    throw common::ComponentError(component, error.message());
  }
}

}  // namespace store
