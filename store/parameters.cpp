#include "store/parameters.h"

#include "common/error.h"

namespace store {

Parameter& Parameters::Find(std::string_view component, std::string_view name) {
  for (Parameter& parameter : params_) {
    if (common::EqualsIgnoreAsciiCase(parameter.name(), name)) return parameter;
  }
  throw common::ComponentError(component, u"Parameter '" + common::FromUtf8(name) + u"' not found");
}

const Parameter* Parameters::FindOrNull(std::string_view name) const {
  for (const Parameter& parameter : params_) {
    if (common::EqualsIgnoreAsciiCase(parameter.name(), name)) return &parameter;
  }
  return nullptr;
}

void Parameters::Reset(const std::vector<std::string>& names) {
  params_.clear();
  for (const std::string& name : names) params_.emplace_back(name);
}

}  // namespace store
