#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "common/text.h"
#include "platform/file_system.h"
#include "tests/support/system_texts.h"

namespace testing_support {

// Writes `bytes` to the file at `path`, replacing it.
inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// A fresh, empty folder named `prefix` plus a random suffix under `parent` (made when missing; the
// system's temporary folder unless told), removed with everything in it when the object goes. Creation fails when the
// name is taken, so the folder is never shared (a portable mkdtemp). Names inside it are std::filesystem paths: bytes
// on POSIX (any bytes, also ones that are not UTF-8), and UTF-16 text converts to them on both systems.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix = "inventory-test-",
                      const std::filesystem::path& parent = std::filesystem::temp_directory_path()) {
    std::filesystem::create_directories(parent);
    std::mt19937_64 random(
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        std::random_device{}());
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
      std::filesystem::path candidate = parent / (prefix + std::to_string(random() % 1000000000));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) path_ = candidate;
    }
    if (path_.empty()) throw std::runtime_error("cannot create a temporary folder under " + parent.string());
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The folder as the system's text, ending with its separator, as folder settings and connection
  // strings carry it.
  common::Text Folder() const { return platform::FsPathToText(path_) + kSeparator; }
  // The same as bytes, for command lines and messages compared as bytes.
  std::string Path() const { return common::TextToPath(Folder()); }
  // The full path of `name` inside the folder, native and as text.
  std::filesystem::path Native(const std::filesystem::path& name) const { return path_ / name; }
  common::Text PathOf(const std::filesystem::path& name) const { return platform::FsPathToText(path_ / name); }

  // Writes `bytes` to the file `name` (replacing it) and returns its full path as text.
  common::Text Write(const std::filesystem::path& name, std::string_view bytes = "x") const {
    WriteFile(Native(name), bytes);
    return PathOf(name);
  }
  void MakeFolder(const std::filesystem::path& name) const { std::filesystem::create_directory(Native(name)); }

 private:
  std::filesystem::path path_;
};

}  // namespace testing_support
