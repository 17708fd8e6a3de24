#include "survey/line_list.h"

#include "common/error.h"

namespace survey {

const common::Text& LineList::At(std::size_t index) const {
  if (index >= lines_.size()) throw common::ListIndexOutOfBounds(static_cast<long long>(index));
  return lines_[index];
}

}  // namespace survey
