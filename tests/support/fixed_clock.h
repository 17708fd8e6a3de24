#pragma once

#include "common/clock.h"

namespace testing_support {

// A clock that stands still, so that the bytes a test writes are the same on every day it runs.
class FixedClock : public common::Clock {
 public:
  explicit FixedClock(common::Date today) : now_{today} {}
  explicit FixedClock(common::LocalTime now) : now_(now) {}
  common::Date Today() const override { return now_.date; }
  common::LocalTime Now() const override { return now_; }
  // The clock moves only when a test says so.
  void Set(common::LocalTime now) { now_ = now; }

 private:
  common::LocalTime now_;
};

// The clock the tests hand down: 15 March 2024.
inline const common::Clock& TestClock() {
  static const FixedClock clock(common::Date{2024, 3, 15});
  return clock;
}

}  // namespace testing_support
