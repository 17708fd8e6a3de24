#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"

namespace store {

enum class ParamKind { kText, kInteger };

// A named statement parameter. Text values travel as text; integer values are handed over as
// decimal text that the engine converts when the statement executes. An empty value is a text of
// length zero, never a missing value.
class Parameter {
 public:
  explicit Parameter(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  ParamKind kind() const { return kind_; }
  int size() const { return size_; }
  const common::Text& value() const { return value_; }

  void SetKind(ParamKind kind) { kind_ = kind; }
  void SetSize(int size) { size_ = size; }
  void SetValue(common::Text value) { value_ = std::move(value); }

  // Shorthands: kind, size and value in one call.
  void SetText(common::Text value, int size = 70) { kind_ = ParamKind::kText, size_ = size, value_ = std::move(value); }
  void SetInteger(common::Text value, int size = 0) {
    kind_ = ParamKind::kInteger, size_ = size, value_ = std::move(value);
  }

 private:
  std::string name_;
  ParamKind kind_ = ParamKind::kText;
  int size_ = 0;
  common::Text value_;
};

// The parameters named in a statement text (":HOST"), in order of first appearance. Names ignore case.
class Parameters {
 public:
  // Throws "<component>: Parameter '<name>' not found".
  Parameter& Find(std::string_view component, std::string_view name);
  const Parameter* FindOrNull(std::string_view name) const;

  void Reset(const std::vector<std::string>& names);
  const std::vector<Parameter>& all() const { return params_; }

 private:
  std::vector<Parameter> params_;
};

}  // namespace store
