// SPDX-License-Identifier: GPL-3.0-or-later
// FileFolder on the real file system: one folder (created when first needed), each file
// replaced atomically (text/TextFile.h) by a writer of its own (worker/SerialQueue.h, its
// thread started by the first write).
//
// Threads: the user-interface thread calls the FileFolder methods; they only queue work
// and read. The writer does the writes and removals, one name at a time in name order (each
// file stands alone: only the order of the jobs for one name matters, and of those only the
// newest is kept). mutex_ guards the waiting jobs, the job in flight, the failed writes and
// the teller; it is never held during disk work, the writer's or the readers'.
// The destructor finishes what is queued before it returns, so leaving the program never
// drops a file that was asked for.
//
// A write that fails keeps its bytes here: read() and names() go on seeing them, the writer
// tries again every retry period (and once more when the folder closes), and a newer write
// of the name replaces them. The first failure after a success (or the first of all) is
// told, once, through the failure teller.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "text/FileFolder.h"
#include "worker/SerialQueue.h"

namespace tessaly {

class DiskFolder final : public FileFolder {
 public:
  explicit DiskFolder(std::filesystem::path folder, std::chrono::milliseconds retryPeriod = std::chrono::seconds(5));
  ~DiskFolder() override;
  DiskFolder(const DiskFolder&) = delete;
  DiskFolder& operator=(const DiskFolder&) = delete;

  void write(const std::string& name, std::string bytes) override;
  void remove(const std::string& name) override;
  std::optional<std::string> read(const std::string& name) const override;
  std::vector<std::string> names() const override;

  // Any thread, blocking: returns once everything queued so far has been tried (written, or
  // kept for the next try).
  void waitIdle();
  // Called on the writer thread, under the folder's lock (it must only post the news on),
  // with the file that could not be written. Any thread; null stops the telling, and once
  // this returns no call is under way.
  void onWriteFailure(std::function<void(const std::filesystem::path& file)> tell);
  // Any thread: how many files wait for another try.
  std::size_t unwrittenCount() const;
  const std::filesystem::path& folder() const { return folder_; }

 private:
  // The writer's: the first waiting job by name, done; false when none was waiting.
  bool writeFirst();
  // The writer's: every failed write tried again.
  void tryAgain();

  const std::filesystem::path folder_;
  mutable std::mutex mutex_;
  // Waiting jobs by name: bytes to write, or nullopt to remove.
  std::map<std::string, std::optional<std::string>> waiting_;
  bool working_ = false;
  std::pair<std::string, std::optional<std::string>> inFlight_;  // the job the writer is doing
  std::map<std::string, std::string> unwritten_;                 // writes that failed, by name, for the next try
  const std::chrono::milliseconds retryPeriod_;
  std::function<void(const std::filesystem::path&)> tell_;
  SerialQueue writer_;  // after everything its jobs use
  Retrying retrying_;   // the failed writes, tried again every retry period; under mutex_
};

}  // namespace tessaly
