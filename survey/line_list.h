#pragma once

#include <cstddef>
#include <vector>

#include "common/text.h"

namespace survey {

// The lines of one workstation file, indexed from 0. Lines can be appended; nothing else changes
// the list.
class LineList {
 public:
  LineList() = default;
  explicit LineList(std::vector<common::Text> lines) : lines_(std::move(lines)) {}

  // Throws common::Error "List index out of bounds (<index>)" for a line the list lacks.
  const common::Text& At(std::size_t index) const;
  std::size_t size() const { return lines_.size(); }
  void Append(common::Text line) { lines_.push_back(std::move(line)); }

  const std::vector<common::Text>& lines() const { return lines_; }

 private:
  std::vector<common::Text> lines_;
};

}  // namespace survey
