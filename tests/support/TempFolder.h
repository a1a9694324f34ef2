// SPDX-License-Identifier: GPL-3.0-or-later
// A fresh folder under /tmp for one test, removed with everything in it afterwards, and
// small helpers for the files in it.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tessaly::test {

class TempFolder {
 public:
  TempFolder() {
    char name[] = "/tmp/tessaly-test-XXXXXX";
    const char* made = ::mkdtemp(name);
    if (made == nullptr) ADD_FAILURE() << "mkdtemp failed";
    else path_ = made;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  // Names in the folder, for "nothing else was written here".
  int entries() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      (void)entry;
      ++count;
    }
    return count;
  }

 private:
  std::filesystem::path path_;
};

inline std::string readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The file's inode: a replaced file gets a new one, a file left alone keeps it.
inline ino_t inodeOf(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace tessaly::test
