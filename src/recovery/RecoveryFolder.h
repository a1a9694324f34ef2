// Where the recovery copies of the dictation live: a folder of small files, one per
// dictation file, written in the background so that typing never waits on the disk.
//
// Implemented on the real file system by DiskRecoveryFolder (its own writer thread) and in
// memory by the tests. Every method is called on the user-interface thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaly {

class RecoveryFolder {
 public:
  virtual ~RecoveryFolder() = default;
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
