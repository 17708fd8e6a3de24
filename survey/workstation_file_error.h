#pragma once

#include <utility>

#include "common/error.h"

namespace survey {

// The failure of one workstation file: it cannot be opened or read, is too large, has too few lines,
// or holds a value that is not a whole number where one is needed. The message is the failure's own
// text; only the type tells it apart from a failure of the database, so that a run may choose to skip
// the file and go on. Thrown by the importers before anything of the host is written.
class WorkstationFileError : public common::Error {
 public:
  explicit WorkstationFileError(const common::Error& failure) : common::Error(failure.message()) {}
};

// Runs `step`, which reads or checks workstation files and writes nothing, and turns its failure into
// a WorkstationFileError.
template <typename Step>
decltype(auto) WorkstationFileStep(Step&& step) {
  try {
    return std::forward<Step>(step)();
  } catch (const common::Error& failure) {
    throw WorkstationFileError(failure);
  }
}

}  // namespace survey
