#pragma once

#include "common/clock.h"

namespace testing_support {

// A clock that stands still, so that the bytes a test writes are the same on every day it runs.
class FixedClock : public common::Clock {
 public:
  explicit FixedClock(common::Date today) : today_(today) {}
  common::Date Today() const override { return today_; }

 private:
  common::Date today_;
};

// The clock the tests hand down: 15 March 2024.
inline const common::Clock& TestClock() {
  static const FixedClock clock(common::Date{2024, 3, 15});
  return clock;
}

}  // namespace testing_support
