// SPDX-License-Identifier: GPL-3.0-or-later
// A small tmpfs mounted for one test, for a full disk or (remounted) a read-only one. Mounting
// needs root: mounted() is false without it, and the test is skipped.
#pragma once

#include <sys/mount.h>

#include <filesystem>
#include <string>

namespace tessaly::test {

class Tmpfs {
 public:
  Tmpfs(const std::filesystem::path& mount, int kib) : mount_(mount) {
    std::filesystem::create_directories(mount);
    mounted_ = ::mount("tmpfs", mount.c_str(), "tmpfs", 0, ("size=" + std::to_string(kib) + "k").c_str()) == 0;
  }
  ~Tmpfs() {
    if (mounted_) ::umount2(mount_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;
  bool mounted() const { return mounted_; }
  bool readOnly() { return ::mount("tmpfs", mount_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }
  bool writable() { return ::mount("tmpfs", mount_.c_str(), "tmpfs", MS_REMOUNT, nullptr) == 0; }

 private:
  std::filesystem::path mount_;
  bool mounted_ = false;
};

}  // namespace tessaly::test
