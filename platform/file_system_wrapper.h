#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"

// Forwarding bases for the three objects of the file-system seam: each passes every call on to its
// target unchanged, so that a class that changes one call (a test's fault double, a counting or
// timing wrapper) overrides that call alone. What a forwarded call returns is the target's own
// object: a wrapper that must see the calls on folders and files it opens overrides OpenFolder,
// OpenTable and LockFile to wrap them in turn. Safe from two threads exactly where the target is.
namespace platform {

class FileWrapper : public File {
 public:
  explicit FileWrapper(std::unique_ptr<File> target) : target_(std::move(target)) {}
  File& target() const { return *target_; }

  const common::Text& path() const override { return target_->path(); }
  bool writable() const override { return target_->writable(); }
  FileIdentity Identity() override { return target_->Identity(); }
  size_t ReadAt(uint64_t offset, char* data, size_t length) override { return target_->ReadAt(offset, data, length); }
  size_t WriteAt(uint64_t offset, std::string_view bytes) override { return target_->WriteAt(offset, bytes); }
  void Sync() override { target_->Sync(); }

 private:
  std::unique_ptr<File> target_;
};

class FolderWrapper : public Folder {
 public:
  explicit FolderWrapper(std::unique_ptr<Folder> target) : target_(std::move(target)) {}
  Folder& target() const { return *target_; }

  const common::Text& path() const override { return target_->path(); }
  std::vector<FolderEntry> List(bool modification_times) override { return target_->List(modification_times); }
  std::unique_ptr<File> OpenTable(const common::Text& name) override { return target_->OpenTable(name); }
  std::string ReadForeignFile(const common::Text& name, size_t limit, bool listed_as_file) override {
    return target_->ReadForeignFile(name, limit, listed_as_file);
  }
  std::optional<uint64_t> SizeOf(const common::Text& name) override { return target_->SizeOf(name); }
  void CreateNewFile(const common::Text& name, std::string_view bytes) override { target_->CreateNewFile(name, bytes); }
  void Remove(const common::Text& name) override { target_->Remove(name); }
  std::unique_ptr<File> LockFile(const common::Text& name) override { return target_->LockFile(name); }
  void Sync() override { target_->Sync(); }
  void ReplaceFile(const common::Text& name, std::string_view bytes) override { target_->ReplaceFile(name, bytes); }

 private:
  std::unique_ptr<Folder> target_;
};

// The target must outlive the wrapper.
class FileSystemWrapper : public FileSystem {
 public:
  explicit FileSystemWrapper(FileSystem& target) : target_(target) {}
  FileSystem& target() const { return target_; }

  std::unique_ptr<Folder> OpenFolder(const common::Text& path) override { return target_.OpenFolder(path); }

 private:
  FileSystem& target_;
};

}  // namespace platform
