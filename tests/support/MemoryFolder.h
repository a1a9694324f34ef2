// SPDX-License-Identifier: GPL-3.0-or-later
// A FileFolder in memory, for the logic's tests: writes land at once, and every write
// and removal is counted.
#pragma once

#include <map>
#include <string>

#include "text/FileFolder.h"

namespace tessaly::test {

class MemoryFolder final : public FileFolder {
 public:
  void write(const std::string& name, std::string bytes) override {
    files[name] = std::move(bytes);
    ++writes;
  }
  void remove(const std::string& name) override {
    files.erase(name);
    ++removals;
  }
  std::optional<std::string> read(const std::string& name) const override {
    const auto file = files.find(name);
    if (file == files.end()) return std::nullopt;
    return file->second;
  }
  std::vector<std::string> names() const override {
    std::vector<std::string> all;
    for (const auto& [name, bytes] : files) all.push_back(name);
    return all;
  }

  std::map<std::string, std::string> files;
  int writes = 0;
  int removals = 0;
};

}  // namespace tessaly::test
