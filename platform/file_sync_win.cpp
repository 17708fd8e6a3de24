#include <windows.h>

#include <string>

#include "platform/file_sync.h"

namespace platform {

namespace {

class SystemSync : public FileSync {
 public:
  // FlushFileBuffers needs a handle with write access; it writes back everything cached for the file,
  // whichever handle wrote it.
  int SyncFile(const std::filesystem::path& path) override {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
    int result = FlushFileBuffers(file) ? 0 : static_cast<int>(GetLastError());
    CloseHandle(file);
    return result;
  }
  int SyncFolder(const std::filesystem::path&) override { return 0; }
};

}  // namespace

FileSync& SystemFileSync() {
  static SystemSync sync;
  return sync;
}

}  // namespace platform
