// SPDX-License-Identifier: GPL-3.0-or-later
// A folder mounted through FUSE (tests/support/fuse-folder.py, Debian's fuse3 and
// python3-fusepy) for the test's length: every read of it slow, or failing past a byte, as a
// stalled share or a pulled-out stick behaves. Test thread only.
#pragma once

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace tessaly::test {

class FuseFolder {
 public:
  // `source` shown at `mount`; each read waits `delayMs`; with failAfter >= 0, reading at
  // or past that byte fails with EIO.
  FuseFolder(const std::filesystem::path& source, const std::filesystem::path& mount, int delayMs, long long failAfter = -1)
      : mount_(mount) {
    std::filesystem::create_directories(mount);
    std::string command = "/usr/bin/python3 " TESSALY_FUSE_FOLDER " '" + source.string() + "' '" + mount.string() + "' " +
                          std::to_string(delayMs);
    if (failAfter >= 0) command += " " + std::to_string(failAfter);
    command += " >/dev/null 2>&1 & echo $!";
    if (std::FILE* started = ::popen(command.c_str(), "r")) {
      if (std::fscanf(started, "%d", &pid_) != 1) pid_ = -1;
      ::pclose(started);
    }
    for (int i = 0; i < 200 && !mounted(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ~FuseFolder() {
    if (std::system(("fusermount3 -u '" + mount_.string() + "' 2>/dev/null").c_str()) != 0)
      std::fprintf(stderr, "the FUSE folder would not unmount\n");
    if (pid_ > 0) ::kill(pid_, SIGTERM);
  }
  FuseFolder(const FuseFolder&) = delete;
  FuseFolder& operator=(const FuseFolder&) = delete;

  bool mounted() const {
    std::ifstream mounts("/proc/mounts");
    for (std::string line; std::getline(mounts, line);)
      if (line.find(" " + mount_.string() + " fuse") != std::string::npos) return true;
    return false;
  }

 private:
  std::filesystem::path mount_;
  int pid_ = -1;
};

}  // namespace tessaly::test
