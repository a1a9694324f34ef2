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
    std::lock_guard lock(mutex_);
    if (const auto job = waiting_.find(name); job != waiting_.end()) return job->second;
  }
  std::string bytes;
  if (!readFileBytes(folder_ / name, bytes).ok) return std::nullopt;
  return bytes;
}

std::vector<std::string> DiskFolder::names() const {
  std::vector<std::string> found;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder_, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(".") && entry.is_regular_file(error)) found.push_back(name);
  }
  std::lock_guard lock(mutex_);
  std::erase_if(found, [this](const std::string& name) {
    const auto job = waiting_.find(name);
    return job != waiting_.end() && !job->second;
  });
  for (const auto& [name, bytes] : waiting_)
    if (bytes && std::find(found.begin(), found.end(), name) == found.end()) found.push_back(name);
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
    working_ = true;
    lock.unlock();
    std::error_code error;
    const fs::path path = folder_ / job.key();
    if (job.mapped()) {
      fs::create_directories(folder_, error);
      (void)writeFileAtomically(path, *job.mapped());
    } else {
      fs::remove(path, error);
    }
    lock.lock();
    working_ = false;
    if (waiting_.empty()) idle_.notify_all();
  }
}

}  // namespace tessaly
