// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/BackgroundFileReader.h"

#include <QMetaObject>

#include <condition_variable>
#include <list>
#include <mutex>

namespace tessaly::qt {

namespace {

using Clock = std::chrono::steady_clock;

// One request: filled by its own thread, answered by the watcher.
struct Request {
  std::vector<std::string> paths;
  FileReader::Done done;
  std::vector<FileBytes> files;  // those read so far, in order
  Clock::time_point lastByte;    // when the read under way last made progress
  bool finished = false;
};

}  // namespace

struct BackgroundFileReader::Shared {
  std::mutex mutex;
  std::condition_variable changed;
  std::list<std::shared_ptr<Request>> inFlight;
  bool stopping = false;
};

BackgroundFileReader::BackgroundFileReader(std::chrono::milliseconds stall)
    : stall_(stall), shared_(std::make_shared<Shared>()), watcher_([this] { watch(); }) {}

BackgroundFileReader::~BackgroundFileReader() {
  {
    std::lock_guard lock(shared_->mutex);
    shared_->stopping = true;
    shared_->inFlight.clear();
  }
  shared_->changed.notify_all();
  watcher_.join();
}

void BackgroundFileReader::read(std::vector<std::string> paths, Done done) {
  auto request = std::make_shared<Request>();
  request->paths = std::move(paths);
  request->done = std::move(done);
  request->lastByte = Clock::now();
  {
    std::lock_guard lock(shared_->mutex);
    shared_->inFlight.push_back(request);
  }
  shared_->changed.notify_all();  // the watcher learns of its deadline
  std::thread([shared = shared_, request] {
    for (std::size_t i = 0; i < request->paths.size(); ++i) {
      FileBytes file = readWhole(request->paths[i], [&] {
        std::lock_guard lock(shared->mutex);
        request->lastByte = Clock::now();
      });
      std::lock_guard lock(shared->mutex);
      request->files.push_back(std::move(file));
      request->lastByte = Clock::now();
    }
    {
      std::lock_guard lock(shared->mutex);
      request->finished = true;
    }
    shared->changed.notify_all();
  }).detach();
}

void BackgroundFileReader::watch() {
  std::unique_lock lock(shared_->mutex);
  while (!shared_->stopping) {
    Clock::time_point next = Clock::time_point::max();
    for (auto it = shared_->inFlight.begin(); it != shared_->inFlight.end();) {
      Request& request = **it;
      const bool stalled = !request.finished && Clock::now() - request.lastByte >= stall_;
      if (!request.finished && !stalled) {
        next = std::min(next, request.lastByte + stall_);
        ++it;
        continue;
      }
      // Finished, or given up: the file under way stalled, the ones after it were not read.
      std::vector<FileBytes> files = request.files;
      if (files.size() < request.paths.size()) {
        FileBytes stuck;
        stuck.exists = true;
        stuck.problem = FileProblem::Stalled;
        files.push_back(stuck);
        files.resize(request.paths.size(), stuck);
      }
      QMetaObject::invokeMethod(
          &context_, [done = request.done, files = std::move(files)]() mutable { done(std::move(files)); },
          Qt::QueuedConnection);
      it = shared_->inFlight.erase(it);
    }
    if (next == Clock::time_point::max()) shared_->changed.wait(lock);
    else shared_->changed.wait_until(lock, next);
  }
}

}  // namespace tessaly::qt
