// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/BackgroundFileReader.h"

#include <QMetaObject>

namespace tessaly::qt {

BackgroundFileReader::BackgroundFileReader() : thread_([this] { run(); }) {}

BackgroundFileReader::~BackgroundFileReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_one();
  thread_.join();
}

void BackgroundFileReader::read(std::vector<std::string> paths, Done done) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back({std::move(paths), std::move(done)});
  }
  wake_.notify_one();
}

void BackgroundFileReader::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    Request request = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    std::vector<FileBytes> files;
    files.reserve(request.paths.size());
    for (const std::string& path : request.paths) files.push_back(readWhole(path));
    QMetaObject::invokeMethod(
        &context_, [done = std::move(request.done), files = std::move(files)]() mutable { done(std::move(files)); },
        Qt::QueuedConnection);
    lock.lock();
  }
}

}  // namespace tessaly::qt
