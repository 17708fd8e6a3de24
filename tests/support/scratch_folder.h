#pragma once

#include <chrono>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>

namespace testing_support {

// Creates a new, empty folder named `prefix` plus a random suffix under `parent` and returns its path.
// Portable stand-in for mkdtemp: creation fails when the name is taken, so the folder is never shared.
inline std::filesystem::path MakeUniqueFolder(const std::filesystem::path& parent, const std::string& prefix) {
  std::mt19937_64 random(static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                         std::random_device{}());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = parent / (prefix + std::to_string(random() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) return candidate;
  }
  throw std::runtime_error("cannot create a temporary folder under " + parent.string());
}

// A fresh folder named `prefix` plus a random suffix under the system's temporary folder, removed
// with everything in it when the object goes. The layers' test folders build on it.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& prefix,
                         const std::filesystem::path& parent = std::filesystem::temp_directory_path())
      : path_(MakeUniqueFolder(parent, prefix)) {}
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
