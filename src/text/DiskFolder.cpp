// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/DiskFolder.h"

#include <algorithm>
#include <system_error>

#include "text/TextFile.h"

namespace tessaly {

namespace fs = std::filesystem;

DiskFolder::DiskFolder(fs::path folder) : folder_(std::move(folder)), writer_([this] { run(); }) {}

DiskFolder::~DiskFolder() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  writer_.join();
}

void DiskFolder::write(const std::string& name, std::string bytes) {
  {
    std::lock_guard lock(mutex_);
    waiting_[name] = std::move(bytes);
  }
  wake_.notify_all();
}

void DiskFolder::remove(const std::string& name) {
  {
    std::lock_guard lock(mutex_);
    waiting_[name] = std::nullopt;
  }
  wake_.notify_all();
}

std::optional<std::string> DiskFolder::read(const std::string& name) const {
  {
    // A job waiting or in flight is what the file will be; it is not on the disk yet.
    std::lock_guard lock(mutex_);
    if (const auto job = waiting_.find(name); job != waiting_.end()) return job->second;
    if (working_ && inFlight_.first == name) return inFlight_.second;
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

void DiskFolder::waitIdle() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return waiting_.empty() && !working_; });
}

void DiskFolder::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
    if (waiting_.empty()) break;  // quitting with nothing left to do
    auto job = waiting_.extract(waiting_.begin());
    inFlight_ = {job.key(), std::move(job.mapped())};
    working_ = true;
    lock.unlock();
    std::error_code error;
    const fs::path path = folder_ / inFlight_.first;
    if (inFlight_.second) {
      fs::create_directories(folder_, error);
      (void)writeFileAtomically(path, *inFlight_.second);
    } else {
      fs::remove(path, error);
    }
    lock.lock();
    working_ = false;
    inFlight_ = {};
    if (waiting_.empty()) idle_.notify_all();
  }
}

}  // namespace tessaly
