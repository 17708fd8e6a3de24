#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/file_system_wrapper.h"
#include "platform/system_error.h"

namespace testing_support {

// The calls a fault can be put on; every call of the seam that reaches the system is in one. kWrite:
// File::WriteAt and Folder::Remove; kCreate: Folder::CreateNewFile and ReplaceFile; kRead: File::ReadAt,
// Folder::ReadForeignFile and Folder::List; kSync: the File and Folder Sync; kLock: Folder::LockFile;
// kOpen: FileSystem::OpenFolder and Folder::OpenTable; kLook: Folder::SizeOf and File::Identity.
enum class FaultPoint { kWrite, kCreate, kRead, kSync, kLock, kOpen, kLook };
inline constexpr std::array<FaultPoint, 7> kFaultPoints = {FaultPoint::kWrite, FaultPoint::kCreate, FaultPoint::kRead,
                                                           FaultPoint::kSync,  FaultPoint::kLock,   FaultPoint::kOpen,
                                                           FaultPoint::kLook};

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
//
// It can also pull the power. Once TrackSyncs is on, it keeps what stable storage holds: for each
// file it has seen, the bytes as of the file's last Sync (a file there before counts as synced), and
// for each name the file it led to at the folder's last Sync. When the power goes, every later call
// fails as an I/O error; PutBackSynced then leaves the folders as a machine that lost its power
// would find them: each file holds its synced bytes only, and names created, renamed or removed
// since their folder's last Sync are undone.
class FaultFileSystem : public platform::FileSystemWrapper {
 public:
  explicit FaultFileSystem(platform::FileSystem& target) : FileSystemWrapper(target) {}

  // From now on the `nth` call (counted from 1, from this call on) of `point` fails with `code`.
  void FailNth(FaultPoint point, int nth, FaultCode code) {
    fault_point_ = point;
    fault_at_ = Calls(point) + nth;
    fault_code_ = code;
    failed_ = false;
  }
  void ClearFault() { fault_at_ = 0; }

  // Keeps from now on what stable storage holds (see the class comment).
  void TrackSyncs() { tracking_ = true; }
  // The power goes at the `nth` call of `point` (counted as FailNth): it and every later call fail.
  void CutPowerAtNth(FaultPoint point, int nth) {
    TrackSyncs();
    FailNth(point, nth, FaultCode::kIoError);
    cut_power_ = true;
  }
  // The process dies at the `nth` call of `point` (counted as FailNth): a write there writes the
  // first half of its bytes, as a kill cuts a write at a page boundary; it and every later call fail,
  // and the files stay as the calls before left them (what a killed process leaves in the page cache).
  void CrashAtNth(FaultPoint point, int nth) {
    FailNth(point, nth, FaultCode::kIoError);
    crash_ = true;
  }
  // The power goes now.
  void CutPower() {
    TrackSyncs();
    fault_code_ = FaultCode::kIoError;
    failed_ = power_off_ = true;
  }
  // After the power went and everything that used this object is gone: puts every file and name back
  // to its synced state.
  void PutBackSynced() {
    for (auto& [folder, names] : folders_) {
      for (const auto& [name, current] : names.current) {
        const std::shared_ptr<std::string>& durable = names.durable[name];
        std::filesystem::path path = platform::TextToFsPath(folder + name);
        std::error_code ignored;
        if (!durable) {
          std::filesystem::remove(path, ignored);
        } else if (!(std::ofstream(path, std::ios::binary | std::ios::trunc) << *durable)) {
          throw std::runtime_error("cannot put back " + path.string());
        }
      }
    }
    folders_.clear();
  }

  // Each Sync that the chosen fault leaves alone goes through this, when set, with what it flushes
  // ("file users.dbf", "folder DB": the last element of the path) and the flush itself, which the hook
  // calls (or not): a test writes down the order, a benchmark times it.
  std::function<void(const std::string& what, const std::function<void()>& sync)> through_sync;

  // The calls of `point` made so far.
  int Calls(FaultPoint point) const { return calls_[static_cast<size_t>(point)]; }
  // Whether the chosen fault has happened (or the power has gone).
  bool Failed() const { return failed_; }

  std::unique_ptr<platform::Folder> OpenFolder(const common::Text& path) override {
    if (Hit(FaultPoint::kOpen)) throw platform::CannotOpenFolder(path, Reason());
    return std::make_unique<FaultFolder>(*this, target().OpenFolder(path));
  }

 private:
  using Synced = std::shared_ptr<std::string>;  // a file's synced bytes; null: no file
  struct Names {
    std::map<common::Text, Synced> durable;  // what the folder's last Sync left under each name
    std::map<common::Text, Synced> current;  // what each name leads to now
  };

  // Counts the call; true when it is to fail.
  bool Hit(FaultPoint point) {
    int call = ++calls_[static_cast<size_t>(point)];
    if (power_off_ || dead_) return true;
    if (fault_at_ == 0 || point != fault_point_ || call != fault_at_) return false;
    failed_ = true;
    power_off_ = cut_power_;
    dead_ = crash_;
    return true;
  }
  common::Text Reason() const { return platform::SystemErrorText(SystemCode(fault_code_)); }

  // The synced state of what `name` in `folder` leads to, taken from the disk when the name is new
  // here: a file there before counts as synced, name and bytes.
  Synced Track(const common::Text& folder, const common::Text& name) {
    Names& names = folders_[folder];
    auto known = names.current.find(name);
    if (known != names.current.end()) return known->second;
    Synced now;
    std::filesystem::path path = platform::TextToFsPath(folder + name);
    if (std::filesystem::is_regular_file(path)) {
      std::ostringstream bytes;
      bytes << std::ifstream(path, std::ios::binary).rdbuf();
      now = std::make_shared<std::string>(bytes.str());
    }
    return names.durable[name] = names.current[name] = now;
  }

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

  class FaultFile : public platform::FileWrapper {
   public:
    FaultFile(FaultFileSystem& owner, std::unique_ptr<platform::File> target, Synced synced)
        : FileWrapper(std::move(target)), owner_(owner), synced_(std::move(synced)) {}
    platform::FileIdentity Identity() override {
      if (owner_.Hit(FaultPoint::kLook)) throw platform::CannotReadFile(path(), owner_.Reason());
      return target().Identity();
    }
    size_t ReadAt(uint64_t offset, char* data, size_t length) override {
      if (owner_.Hit(FaultPoint::kRead)) throw platform::CannotReadFile(path(), owner_.Reason());
      return target().ReadAt(offset, data, length);
    }
    size_t WriteAt(uint64_t offset, std::string_view bytes) override {
      if (owner_.Hit(FaultPoint::kWrite)) {
        std::string_view half = owner_.power_off_ ? std::string_view() : bytes.substr(0, bytes.size() / 2);
        for (size_t done = 0; done < half.size();) done += target().WriteAt(offset + done, half.substr(done));
        throw platform::CannotWriteFile(path(), owner_.Reason());
      }
      return target().WriteAt(offset, bytes);
    }
    void Sync() override {
      owner_.Sync("file", path(), platform::CannotFlushFile, [&] {
        target().Sync();
        if (!synced_) return;
        std::string bytes;
        char chunk[1 << 16];
        while (size_t n = target().ReadAt(bytes.size(), chunk, sizeof chunk)) bytes.append(chunk, n);
        *synced_ = std::move(bytes);
      });
    }

   private:
    FaultFileSystem& owner_;
    Synced synced_;  // null when syncs are not tracked
  };

  class FaultFolder : public platform::FolderWrapper {
   public:
    FaultFolder(FaultFileSystem& owner, std::unique_ptr<platform::Folder> target)
        : FolderWrapper(std::move(target)), owner_(owner) {}
    std::vector<platform::FolderEntry> List(bool modification_times) override {
      if (owner_.Hit(FaultPoint::kRead)) throw platform::CannotListFolder(path(), owner_.Reason());
      return target().List(modification_times);
    }
    std::unique_ptr<platform::File> OpenTable(const common::Text& name) override {
      if (owner_.Hit(FaultPoint::kOpen)) throw common::CannotOpenFile(path() + name, owner_.Reason());
      std::unique_ptr<platform::File> file = target().OpenTable(name);
      Synced synced = owner_.tracking_ ? owner_.Track(path(), name) : nullptr;
      return std::make_unique<FaultFile>(owner_, std::move(file), std::move(synced));
    }
    std::string ReadForeignFile(const common::Text& name, size_t limit, bool listed_as_file) override {
      if (owner_.Hit(FaultPoint::kRead)) throw platform::CannotReadFile(path() + name, owner_.Reason());
      return target().ReadForeignFile(name, limit, listed_as_file);
    }
    std::optional<uint64_t> SizeOf(const common::Text& name) override {
      if (owner_.Hit(FaultPoint::kLook)) throw platform::CannotReadFile(path() + name, owner_.Reason());
      return target().SizeOf(name);
    }
    void CreateNewFile(const common::Text& name, std::string_view bytes) override {
      if (owner_.Hit(FaultPoint::kCreate)) throw platform::CannotCreateFile(path() + name, owner_.Reason());
      if (owner_.tracking_) owner_.Track(path(), name);
      target().CreateNewFile(name, bytes);
      // Nothing of the new file is synced yet.
      if (owner_.tracking_) owner_.folders_[path()].current[name] = std::make_shared<std::string>();
    }
    // The new file's bytes are synced before it takes the name; the name itself is not.
    void ReplaceFile(const common::Text& name, std::string_view bytes) override {
      if (owner_.Hit(FaultPoint::kCreate)) throw platform::CannotCreateFile(path() + name, owner_.Reason());
      if (owner_.tracking_) owner_.Track(path(), name);
      target().ReplaceFile(name, bytes);
      if (owner_.tracking_) owner_.folders_[path()].current[name] = std::make_shared<std::string>(bytes);
    }
    void Remove(const common::Text& name) override {
      if (owner_.Hit(FaultPoint::kWrite)) throw platform::CannotDeleteFile(path() + name, owner_.Reason());
      if (owner_.tracking_) owner_.Track(path(), name);
      target().Remove(name);
      if (owner_.tracking_) owner_.folders_[path()].current[name] = nullptr;
    }
    std::unique_ptr<platform::File> LockFile(const common::Text& name) override {
      if (owner_.Hit(FaultPoint::kLock)) throw platform::CannotLockFile(path() + name, owner_.Reason());
      std::unique_ptr<platform::File> lock = target().LockFile(name);
      if (!lock) return nullptr;
      return std::make_unique<FaultFile>(owner_, std::move(lock), nullptr);
    }
    void Sync() override {
      owner_.Sync("folder", path(), platform::CannotFlushFolder, [&] {
        target().Sync();
        auto names = owner_.folders_.find(path());
        if (names != owner_.folders_.end()) names->second.durable = names->second.current;
      });
    }

   private:
    FaultFileSystem& owner_;
  };

  std::array<int, kFaultPoints.size()> calls_{};
  FaultPoint fault_point_ = FaultPoint::kWrite;
  int fault_at_ = 0;
  FaultCode fault_code_ = FaultCode::kDiskFull;
  bool failed_ = false;
  bool tracking_ = false;
  bool cut_power_ = false;
  bool power_off_ = false;
  bool crash_ = false;
  bool dead_ = false;
  std::map<common::Text, Names> folders_;  // by the folder's path, when syncs are tracked
};

}  // namespace testing_support
