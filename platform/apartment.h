#pragma once

namespace platform {

// The calling thread's membership of a single-threaded COM apartment, for as long as the object lives:
// the mail client's automation objects are created and called on that thread only. On POSIX, where
// the automation objects are the project's own, it does nothing.
class Apartment {
 public:
  Apartment();
  ~Apartment();
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;

 private:
  [[maybe_unused]] bool joined_ = false;  // Windows: whether CoInitializeEx succeeded and needs its CoUninitialize
};

}  // namespace platform
