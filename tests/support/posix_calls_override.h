#pragma once

#include <cerrno>
#include <functional>
#include <memory>
#include <type_traits>

#include "platform/posix_calls.h"

// Ways to replace an entry of the POSIX system-call table (platform/posix_calls.h) in a test.
namespace testing_support {

// Puts the system's own calls back when it goes: a test holds one while it replaces entries.
struct RealCallsAfterwards {
  RealCallsAfterwards() = default;
  RealCallsAfterwards(const RealCallsAfterwards&) = delete;
  RealCallsAfterwards& operator=(const RealCallsAfterwards&) = delete;
  ~RealCallsAfterwards() { platform::posix::SystemCalls() = platform::posix::RealCalls(); }
};

// From now on the `nth` call of `entry` (counted from 1) fails with `error` instead of reaching the
// system; the others go on to it. Returns the count of calls made so far.
template <typename R, typename... Args>
std::shared_ptr<int> FailNth(std::function<R(Args...)>& entry, int nth, int error) {
  auto calls = std::make_shared<int>(0);
  entry = [real = entry, calls, nth, error](Args... args) -> R {
    if (++*calls != nth) return real(args...);
    errno = error;
    if constexpr (std::is_pointer_v<R>) {
      return nullptr;
    } else {
      return R(-1);
    }
  };
  return calls;
}

// A read or write entry (pread, pwrite, read) that moves at most `most` bytes per call, as a network
// file system or a full disk may.
template <typename R, typename Fd, typename Data, typename... Rest>
void CutShort(std::function<R(Fd, Data, size_t, Rest...)>& entry, size_t most) {
  entry = [real = entry, most](Fd fd, Data data, size_t length, Rest... rest) {
    return real(fd, data, length < most ? length : most, rest...);
  };
}

}  // namespace testing_support
