#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>

#include "tests/support/temp_folder.h"

// A real Windows file share on this machine, for the tests and benchmarks that run the tool where it
// is deployed: Samba's smbd serves a fresh folder as the guest share "mm$" on 127.0.0.1 only, and the
// FUSE client smbnetfs mounts it. Everything either program writes (configuration, state, logs, the
// client's home) stays in one temporary folder; no system file is touched. smbd listens on port 445
// (the client knows no other), so only one such share can exist on a machine at a time, and none
// while the system's own smbd runs.
namespace bench {

class SmbShare {
 public:
  // What this machine lacks for a share ("/dev/fuse is missing", "smbd is not installed (package
  // samba)", ...), or the empty text when nothing is.
  static std::string Missing();

  // Starts smbd and mounts the share, waiting until the mount lists the share's folder. Throws
  // std::runtime_error saying which step failed (port 445 taken, smbd or smbnetfs ended or did not
  // answer in time); whatever was started is stopped again first. Both programs get SIGTERM should
  // this process die without stopping them.
  SmbShare();
  // Unmounts the share, stops both programs and removes the temporary folder.
  ~SmbShare();
  SmbShare(const SmbShare&) = delete;
  SmbShare& operator=(const SmbShare&) = delete;

  // The share's folder on the local disk, as smbd serves it: the same files as mounted(), written and
  // read without the network.
  const std::filesystem::path& served() const { return served_; }
  // The share's folder through the SMB mount.
  const std::filesystem::path& mounted() const { return mounted_; }

 private:
  void Stop();

  testing_support::TempFolder root_{"inventory-smb-"};
  std::filesystem::path served_;
  std::filesystem::path mount_point_;
  std::filesystem::path mounted_;
  pid_t smbd_ = -1;
  pid_t smbnetfs_ = -1;
  bool mounted_once_ = false;
};

}  // namespace bench
