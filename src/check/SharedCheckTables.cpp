// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/SharedCheckTables.h"

#include <map>
#include <mutex>

namespace tessaly {

namespace {

struct Kept {
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<const LoadedCheckTables>> byFile;
  int reads = 0;
};

Kept& kept() {
  static Kept k;
  return k;
}

}  // namespace

std::shared_ptr<const LoadedCheckTables> sharedCheckTables(const std::string& readingsPath) {
  Kept& k = kept();
  std::lock_guard lock(k.mutex);
  std::shared_ptr<const LoadedCheckTables>& copy = k.byFile[readingsPath];
  if (!copy) {
    auto loaded = std::make_shared<LoadedCheckTables>();
    loaded->loaded = loadCheckTables(readingsPath, loaded->tables);
    ++k.reads;
    copy = std::move(loaded);
  }
  return copy;
}

int checkTableReads() {
  Kept& k = kept();
  std::lock_guard lock(k.mutex);
  return k.reads;
}

}  // namespace tessaly
