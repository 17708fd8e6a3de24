#include "tests/support/smb_share.h"

#include "tests/support/daemon.h"

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;
using testing_support::Ended;
using testing_support::FindProgram;
using testing_support::Spawn;
using testing_support::Tail;
using testing_support::Terminate;
using testing_support::WriteText;

constexpr auto kStartDeadline = std::chrono::seconds(30);

bool PortTaken() { return testing_support::PortServed(445); }

}  // namespace

std::string SmbShare::Missing() {
  if (::access("/dev/fuse", R_OK | W_OK) != 0) return "/dev/fuse is missing or not accessible";
  if (FindProgram("smbd").empty()) return "smbd is not installed (package samba)";
  if (FindProgram("smbnetfs").empty()) return "smbnetfs is not installed (package smbnetfs)";
  if (::geteuid() != 0) return "smbd must run as root to serve port 445";
  return {};
}

SmbShare::SmbShare() {
  std::string missing = Missing();
  if (!missing.empty()) throw std::runtime_error(missing);
  if (PortTaken()) throw std::runtime_error("port 445 of 127.0.0.1 is already served by another program");

  served_ = root_.Native("share");
  mount_point_ = root_.Native("mnt");
  mounted_ = mount_point_ / "127.0.0.1" / "mm$";
  const std::filesystem::path run = root_.Native("run");
  const std::filesystem::path home = root_.Native("home");
  for (const auto& folder : {served_, mount_point_, run, run / "client", home / ".smb"}) {
    std::filesystem::create_directories(folder);
  }
  const std::string r = run.string();
  WriteText(root_.Native("smb.conf"),
            "[global]\n"
            "  workgroup = TEST\n"
            "  server role = standalone server\n"
            "  map to guest = Bad User\n"
            "  guest account = root\n"
            "  interfaces = lo\n"
            "  bind interfaces only = yes\n"
            "  smb ports = 445\n"
            "  disable netbios = yes\n"
            "  rpc start on demand helpers = no\n"
            "  pid directory = " +
                r +
                "\n"
                "  lock directory = " +
                r +
                "\n"
                "  state directory = " +
                r +
                "\n"
                "  cache directory = " +
                r +
                "\n"
                "  private dir = " +
                r +
                "\n"
                "  ncalrpc dir = " +
                r +
                "/ncalrpc\n"
                "  log file = " +
                r +
                "/log.%m\n"
                "  disable spoolss = yes\n"
                "  load printers = no\n"
                "[mm$]\n"
                "  path = " +
                served_.string() +
                "\n"
                "  read only = no\n"
                "  guest ok = yes\n"
                "  force user = root\n");
  // The client library reads $HOME/.smb/smb.conf instead of the system's; its caches go here too.
  const std::string c = (run / "client").string();
  WriteText(home / ".smb" / "smb.conf",
            "[global]\n"
            "  lock directory = " +
                c +
                "\n"
                "  state directory = " +
                c +
                "\n"
                "  cache directory = " +
                c +
                "\n"
                "  private dir = " +
                c +
                "\n"
                "  ncalrpc dir = " +
                c + "/ncalrpc\n");
  // smbnetfs refuses an auth line in a configuration file that others may read. It browses no
  // network, and on a busy machine neither ends its connection for idleness nor gives up on a slow
  // reply while a run is going.
  WriteText(home / ".smb" / "smbnetfs.conf",
            "auth \"guest\" \"\"\n"
            "smb_timeout 60000\n"
            "reply_timeout 120\n"
            "listen_timeout 3600\n"
            "smb_query_browsers false\n",
            0600);

  try {
    Clock::time_point until = Clock::now() + kStartDeadline;
    smbd_ = Spawn({FindProgram("smbd"), "-F", "--no-process-group", "-s", root_.Native("smb.conf").string()}, home,
                  run / "smbd.out");
    while (!PortTaken()) {
      if (Ended(smbd_)) {
        smbd_ = -1;
        throw std::runtime_error("smbd ended at start: " + Tail(run / "log.smbd") + Tail(run / "smbd.out"));
      }
      if (Clock::now() > until) throw std::runtime_error("smbd does not answer on port 445");
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // A file put on the share beforehand shows when the mount is ready.
    WriteText(served_ / "ready", "");
    smbnetfs_ = Spawn({FindProgram("smbnetfs"), mount_point_.string(), "-f", "-o",
                       "config=" + (home / ".smb" / "smbnetfs.conf").string()},
                      home, run / "smbnetfs.out");
    mounted_once_ = true;
    struct stat info {};
    while (::stat((mounted_ / "ready").c_str(), &info) != 0) {
      if (Ended(smbnetfs_)) {
        smbnetfs_ = -1;
        throw std::runtime_error("smbnetfs ended at start: " + Tail(run / "smbnetfs.out"));
      }
      if (Clock::now() > until) {
        throw std::runtime_error("the SMB mount does not show the share: " + Tail(run / "smbnetfs.out"));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (::unlink((mounted_ / "ready").c_str()) != 0) throw std::runtime_error("cannot write on the SMB mount");
  } catch (...) {
    Stop();
    throw;
  }
}

SmbShare::~SmbShare() { Stop(); }

void SmbShare::Stop() {
  if (mounted_once_) {
    // Detached at once even when busy, so that removing the folder never walks into the mount.
    ::umount2(mount_point_.c_str(), MNT_DETACH);
    mounted_once_ = false;
  }
  Terminate(smbnetfs_);
  Terminate(smbd_);
}

}  // namespace bench
