// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/DiskFolder.h"

#include <algorithm>
#include <system_error>

#include "text/TextFile.h"

namespace tessaly {

namespace fs = std::filesystem;

DiskFolder::DiskFolder(fs::path folder, std::chrono::milliseconds retryPeriod)
    : folder_(std::move(folder)),
      retryPeriod_(retryPeriod),
      retrying_(
          writer_, retryPeriod_, [this] { return unwrittenCount() > 0; }, [this] { tryAgain(); }) {}

// The writer finishes what is queued and tries the failed writes once more.
DiskFolder::~DiskFolder() { writer_.finish(); }

void DiskFolder::write(const std::string& name, std::string bytes) {
  {
    std::lock_guard lock(mutex_);
    waiting_[name] = std::move(bytes);
    unwritten_.erase(name);
  }
  writer_.post([this] { writeFirst(); });
}

void DiskFolder::remove(const std::string& name) {
  {
    std::lock_guard lock(mutex_);
    waiting_[name] = std::nullopt;
    unwritten_.erase(name);
  }
  writer_.post([this] { writeFirst(); });
}

std::optional<std::string> DiskFolder::read(const std::string& name) const {
  {
    // A job waiting or in flight is what the file will be; it is not on the disk yet.
    std::lock_guard lock(mutex_);
    if (const auto job = waiting_.find(name); job != waiting_.end()) return job->second;
    if (working_ && inFlight_.first == name) return inFlight_.second;
    if (const auto kept = unwritten_.find(name); kept != unwritten_.end()) return kept->second;
  }
  // Otherwise the file as it is: a write that starts meanwhile replaces it atomically, so the
  // read sees the old file or the new one, whole.
  std::string bytes;
  if (!readFileBytes(folder_ / name, bytes).ok) return std::nullopt;
  return bytes;
}

std::vector<std::string> DiskFolder::names() const {
  // The jobs first, then the folder: a job finished in between is on the disk by then.
  std::vector<std::pair<std::string, bool>> jobs;  // name, present once done
  {
    std::lock_guard lock(mutex_);
    if (working_) jobs.emplace_back(inFlight_.first, inFlight_.second.has_value());
    for (const auto& [name, bytes] : waiting_) jobs.emplace_back(name, bytes.has_value());
    for (const auto& [name, bytes] : unwritten_) jobs.emplace_back(name, true);
  }
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(".") && entry.is_regular_file(error)) found.push_back(name);
  }
  for (const auto& [name, present] : jobs) {
    const auto at = std::find(found.begin(), found.end(), name);
    if (present && at == found.end()) found.push_back(name);
    if (!present && at != found.end()) found.erase(at);
  }
  return found;
}

void DiskFolder::waitIdle() { writer_.waitIdle(); }

void DiskFolder::onWriteFailure(std::function<void(const fs::path& file)> tell) {
  std::lock_guard lock(mutex_);
  tell_ = std::move(tell);
}

std::size_t DiskFolder::unwrittenCount() const {
  std::lock_guard lock(mutex_);
  return unwritten_.size();
}

// Each write() and remove() queues one of these, so the writer runs at least as many as there
// are names waiting; a job that finds its name done already (a newer job replaced it) does nothing.
bool DiskFolder::writeFirst() {
  std::unique_lock lock(mutex_);
  if (waiting_.empty()) return false;
  auto job = waiting_.extract(waiting_.begin());
  inFlight_ = {job.key(), std::move(job.mapped())};
  working_ = true;
  lock.unlock();
  std::error_code error;
  const fs::path path = folder_ / inFlight_.first;
  bool written = true;
  if (inFlight_.second) {
    fs::create_directories(folder_, error);
    written = writeFileAtomically(path, *inFlight_.second).ok;
  } else {
    fs::remove(path, error);
  }
  lock.lock();
  if (written) {
    retrying_.succeeded();
  } else {
    // Kept for the next try, unless a newer job for the name came meanwhile.
    if (!waiting_.contains(inFlight_.first)) unwritten_[inFlight_.first] = std::move(*inFlight_.second);
    if (retrying_.failed() && tell_) tell_(path);
  }
  working_ = false;
  inFlight_ = {};
  return true;
}

void DiskFolder::tryAgain() {
  {
    std::lock_guard lock(mutex_);
    // A newer job for a name has replaced what failed.
    for (auto& [name, bytes] : unwritten_) waiting_.try_emplace(name, std::move(bytes));
    unwritten_.clear();
  }
  while (writeFirst()) {
  }
}

}  // namespace tessaly
