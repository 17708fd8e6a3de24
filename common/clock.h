#pragma once

namespace common {

// A day of the calendar: the year in full, the month 1-12 and the day 1-31.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
};

// Where the core learns what day it is (the date a dBase header records as its last update). app/
// hands down the system's clock; a test hands down one that stands still, so the bytes it checks do
// not change with the day it runs.
class Clock {
 public:
  virtual ~Clock() = default;
  // Today, in the local time of the machine the program runs on.
  virtual Date Today() const = 0;
};

}  // namespace common
