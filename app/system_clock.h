#pragma once

#include "common/clock.h"

namespace app {

// The machine's own clock, in its local time zone. Safe to use from several threads.
class SystemClock : public common::Clock {
 public:
  common::Date Today() const override;
};

}  // namespace app
