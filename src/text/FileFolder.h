// SPDX-License-Identifier: GPL-3.0-or-later
// A folder of small files written in the background, so that the user-interface thread
// never waits on the disk: the recovery copies of the dictation, the per-user settings.
//
// Implemented on the real file system by DiskFolder (its own writer thread) and in
// memory by the tests (MemoryFolder). Every method is called on the user-interface thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

class FileFolder {
 public:
  virtual ~FileFolder() = default;
  // Non-blocking: the copy `name` becomes `bytes`, atomically, soon. A newer write or remove
  // of the same name replaces one still waiting.
  virtual void write(const std::string& name, std::string bytes) = 0;
  // Non-blocking: the copy `name` goes, after whatever was asked of it before.
  virtual void remove(const std::string& name) = 0;
  // Reads one small file, or the write still waiting for it: the copy as it will be.
  virtual std::optional<std::string> read(const std::string& name) const = 0;
  // The names of all copies as they will be once the waiting work is done.
  virtual std::vector<std::string> names() const = 0;
};

}  // namespace tessaly
