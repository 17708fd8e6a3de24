#include "platform/codepage.h"

#include <map>
#include <mutex>

namespace platform {

const Codepage& Codepage::Get(std::string_view name) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<Codepage>, std::less<>> cache;
  std::lock_guard lock(mutex);
  auto it = cache.find(name);
  if (it == cache.end()) {
    it = cache.emplace(std::string(name), std::make_unique<Codepage>(name)).first;
  }
  return *it->second;
}

}  // namespace platform
