#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace store {

// Bytes held in one block that grows through realloc. The C library grows a large block by moving
// its pages rather than copying them into a new block, so holding N bytes costs N bytes of memory at
// every moment, where a std::string that doubles holds the old and the new block (up to three times
// N) while it copies, and fills its new space before it is read into.
class HeldBytes {
 public:
  HeldBytes() = default;
  HeldBytes(HeldBytes&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  HeldBytes& operator=(HeldBytes&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    return *this;
  }
  HeldBytes(const HeldBytes&) = delete;
  HeldBytes& operator=(const HeldBytes&) = delete;
  ~HeldBytes() { std::free(data_); }

  size_t size() const { return size_; }
  char* data() { return data_; }
  char& operator[](size_t at) { return data_[at]; }
  char operator[](size_t at) const { return data_[at]; }
  operator std::string_view() const { return {data_, size_}; }

  // Makes it `size` bytes long; bytes past the old end hold nothing defined until they are written.
  void Resize(size_t size) {
    Reserve(size);
    size_ = size;
  }
  void Append(std::string_view bytes) {
    Reserve(size_ + bytes.size());
    if (!bytes.empty()) std::memcpy(data_ + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
  }
  // Writes `bytes` over the held bytes from `at`; they must lie within the held bytes.
  void Overwrite(size_t at, std::string_view bytes) {
    if (at > size_ || bytes.size() > size_ - at) throw std::out_of_range("HeldBytes::Overwrite past the end");
    if (!bytes.empty()) std::memcpy(data_ + at, bytes.data(), bytes.size());
  }
  void Clear() { *this = HeldBytes(); }

 private:
  void Reserve(size_t size) {
    if (size <= capacity_) return;
    size_t capacity = std::max(size, capacity_ + capacity_ / 2);
    void* grown = std::realloc(data_, capacity);
    if (grown == nullptr) throw std::bad_alloc();
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
  }

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace store
