#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/system_error.h"

namespace testing_support {

// The calls a fault can be put on. kWrite: File::WriteAt and Folder::Remove; kCreate:
// Folder::CreateNewFile and ReplaceFile; kRead: File::ReadAt, Folder::ReadForeignFile and Folder::List; kSync: the
// File and Folder Sync; kLock: Folder::LockFile.
enum class FaultPoint { kWrite, kCreate, kRead, kSync, kLock };
inline constexpr size_t kFaultPoints = 5;

// How the failing call fails: a full disk, an I/O error, a refusal.
enum class FaultCode { kDiskFull, kIoError, kAccessDenied };

// The system's error code for `code` (errno on POSIX, GetLastError on Windows).
inline int SystemCode(FaultCode code) {
#ifdef _WIN32
  constexpr std::array<int, 3> kCodes = {112, 1117, 5};  // ERROR_DISK_FULL, ERROR_IO_DEVICE, ERROR_ACCESS_DENIED
#else
  constexpr std::array<int, 3> kCodes = {28, 5, 13};  // ENOSPC, EIO, EACCES
#endif
  return kCodes[static_cast<size_t>(code)];
}

// A file system that passes every call on to another one and counts them by point, and makes one
// chosen call fail with the error the system would give (leveldb's FaultInjectionTestEnv is the
// model). A failing write first writes the first half of its bytes, as a write that a full disk cuts
// short, and then throws.
class FaultFileSystem : public platform::FileSystem {
 public:
  explicit FaultFileSystem(platform::FileSystem& base) : base_(base) {}

  // From now on the `nth` call (counted from 1, from this call on) of `point` fails with `code`.
  void FailNth(FaultPoint point, int nth, FaultCode code) {
    fault_point_ = point;
    fault_at_ = Calls(point) + nth;
    fault_code_ = code;
    failed_ = false;
  }
  void ClearFault() { fault_at_ = 0; }

  // Each Sync that the chosen fault leaves alone goes through this, when set, with what it flushes
  // ("file users.dbf", "folder DB": the last element of the path) and the flush itself, which the hook
  // calls (or not): a test writes down the order, a benchmark times it.
  std::function<void(const std::string& what, const std::function<void()>& sync)> through_sync;

  // The calls of `point` made so far.
  int Calls(FaultPoint point) const { return calls_[static_cast<size_t>(point)]; }
  // Whether the chosen fault has happened.
  bool Failed() const { return failed_; }

  std::unique_ptr<platform::Folder> OpenFolder(const common::Text& path) override {
    return std::make_unique<FaultFolder>(*this, base_.OpenFolder(path));
  }

 private:
  // Counts the call; true when it is the one to fail.
  bool Hit(FaultPoint point) {
    int call = ++calls_[static_cast<size_t>(point)];
    if (fault_at_ == 0 || point != fault_point_ || call != fault_at_) return false;
    failed_ = true;
    return true;
  }
  common::Text Reason() const { return platform::SystemErrorText(SystemCode(fault_code_)); }

  // Sync of the file or folder at `path`: fails when it is the chosen call, else goes through the hook.
  template <typename Fail>
  void Sync(const char* kind, const common::Text& path, Fail fail, const std::function<void()>& sync) {
    if (Hit(FaultPoint::kSync)) throw fail(path, Reason());
    if (!through_sync) return sync();
    size_t end = path.find_last_not_of(u"/\\");
    size_t start = path.find_last_of(u"/\\", end);
    start = start == common::Text::npos ? 0 : start + 1;
    through_sync(std::string(kind) + " " + common::ToUtf8(path.substr(start, end + 1 - start)), sync);
  }

  class FaultFile : public platform::File {
   public:
    FaultFile(FaultFileSystem& owner, std::unique_ptr<platform::File> base) : owner_(owner), base_(std::move(base)) {}
    const common::Text& path() const override { return base_->path(); }
    bool writable() const override { return base_->writable(); }
    platform::FileIdentity Identity() override { return base_->Identity(); }
    size_t ReadAt(uint64_t offset, char* data, size_t length) override {
      if (owner_.Hit(FaultPoint::kRead)) throw platform::CannotReadFile(path(), owner_.Reason());
      return base_->ReadAt(offset, data, length);
    }
    size_t WriteAt(uint64_t offset, std::string_view bytes) override {
      if (owner_.Hit(FaultPoint::kWrite)) {
        std::string_view half = bytes.substr(0, bytes.size() / 2);
        for (size_t done = 0; done < half.size();) done += base_->WriteAt(offset + done, half.substr(done));
        throw platform::CannotWriteFile(path(), owner_.Reason());
      }
      return base_->WriteAt(offset, bytes);
    }
    void Sync() override { owner_.Sync("file", path(), platform::CannotFlushFile, [&] { base_->Sync(); }); }

   private:
    FaultFileSystem& owner_;
    std::unique_ptr<platform::File> base_;
  };

  class FaultFolder : public platform::Folder {
   public:
    FaultFolder(FaultFileSystem& owner, std::unique_ptr<platform::Folder> base) : owner_(owner), base_(std::move(base)) {}
    const common::Text& path() const override { return base_->path(); }
    std::vector<platform::FolderEntry> List(bool modification_times) override {
      if (owner_.Hit(FaultPoint::kRead)) throw platform::CannotListFolder(path(), owner_.Reason());
      return base_->List(modification_times);
    }
    std::unique_ptr<platform::File> OpenTable(const common::Text& name) override {
      return std::make_unique<FaultFile>(owner_, base_->OpenTable(name));
    }
    std::string ReadForeignFile(const common::Text& name, size_t limit, bool listed_as_file) override {
      if (owner_.Hit(FaultPoint::kRead)) throw platform::CannotReadFile(path() + name, owner_.Reason());
      return base_->ReadForeignFile(name, limit, listed_as_file);
    }
    std::optional<uint64_t> SizeOf(const common::Text& name) override { return base_->SizeOf(name); }
    void CreateNewFile(const common::Text& name, std::string_view bytes) override {
      if (owner_.Hit(FaultPoint::kCreate)) throw platform::CannotCreateFile(path() + name, owner_.Reason());
      base_->CreateNewFile(name, bytes);
    }
    void ReplaceFile(const common::Text& name, std::string_view bytes) override {
      if (owner_.Hit(FaultPoint::kCreate)) throw platform::CannotCreateFile(path() + name, owner_.Reason());
      base_->ReplaceFile(name, bytes);
    }
    void Remove(const common::Text& name) override {
      if (owner_.Hit(FaultPoint::kWrite)) throw platform::CannotDeleteFile(path() + name, owner_.Reason());
      base_->Remove(name);
    }
    std::unique_ptr<platform::File> LockFile(const common::Text& name) override {
      if (owner_.Hit(FaultPoint::kLock)) throw platform::CannotLockFile(path() + name, owner_.Reason());
      std::unique_ptr<platform::File> lock = base_->LockFile(name);
      if (!lock) return nullptr;
      return std::make_unique<FaultFile>(owner_, std::move(lock));
    }
    void Sync() override { owner_.Sync("folder", path(), platform::CannotFlushFolder, [&] { base_->Sync(); }); }

   private:
    FaultFileSystem& owner_;
    std::unique_ptr<platform::Folder> base_;
  };

  platform::FileSystem& base_;
  std::array<int, kFaultPoints> calls_{};
  FaultPoint fault_point_ = FaultPoint::kWrite;
  int fault_at_ = 0;
  FaultCode fault_code_ = FaultCode::kDiskFull;
  bool failed_ = false;
};

}  // namespace testing_support
