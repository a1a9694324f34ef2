// SPDX-License-Identifier: GPL-3.0-or-later
#include "qt/BackgroundFileReader.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

namespace tessaly::qt {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

// One request: filled by its own thread, answered on the user-interface thread.
struct BackgroundFileReader::Request {
  std::vector<std::string> paths;
  FileReader::Done done;                // the user-interface thread's
  std::atomic<Clock::rep> lastByte{0};  // when the read under way last made progress
  std::atomic<bool> finished{false};    // every file read
  std::mutex mutex;                     // guards files
  std::vector<FileBytes> files;         // those read so far, in order
};

struct BackgroundFileReader::Shared {
  std::mutex mutex;
  ui::UiThread* door = nullptr;  // null once the reader is gone
};

BackgroundFileReader::BackgroundFileReader(std::chrono::milliseconds stall)
    : stall_(stall), shared_(std::make_shared<Shared>()) {
  shared_->door = &uiThread_;
  stallTimer_.setSingleShot(true);
  QObject::connect(&stallTimer_, &QTimer::timeout, [this] { answer(); });
}

BackgroundFileReader::~BackgroundFileReader() {
  std::lock_guard lock(shared_->mutex);
  shared_->door = nullptr;
}

void BackgroundFileReader::read(std::vector<std::string> paths, Done done) {
  auto request = std::make_shared<Request>();
  request->paths = std::move(paths);
  request->done = std::move(done);
  request->lastByte = Clock::now().time_since_epoch().count();
  inFlight_.push_back(request);
  // Any request in flight is due to stall no later than this one.
  if (!stallTimer_.isActive()) stallTimer_.start(stall_);
  std::thread([this, shared = shared_, request] {
    for (std::size_t i = 0; i < request->paths.size(); ++i) {
      FileBytes file = readWhole(request->paths[i], [&] { request->lastByte = Clock::now().time_since_epoch().count(); });
      std::lock_guard lock(request->mutex);
      request->files.push_back(std::move(file));
      request->lastByte = Clock::now().time_since_epoch().count();
    }
    request->finished = true;
    std::lock_guard lock(shared->mutex);
    // The door is open only while the reader exists, and the call is dropped with it.
    if (shared->door) shared->door->post([this] { answer(); });
  }).detach();
}

void BackgroundFileReader::answer() {
  const Clock::time_point now = Clock::now();
  Clock::time_point next = Clock::time_point::max();
  std::vector<std::shared_ptr<Request>> answered;
  for (auto it = inFlight_.begin(); it != inFlight_.end();) {
    Request& request = **it;
    const Clock::time_point lastByte{Clock::duration(request.lastByte.load())};
    if (!request.finished && now - lastByte < stall_) {
      next = std::min(next, lastByte + stall_);
      ++it;
      continue;
    }
    answered.push_back(*it);
    it = inFlight_.erase(it);
  }
  if (next != Clock::time_point::max()) stallTimer_.start(std::chrono::ceil<std::chrono::milliseconds>(next - now));
  else stallTimer_.stop();
  // Answered after the list is put right: an asker may read again from its answer.
  for (const std::shared_ptr<Request>& request : answered) {
    std::vector<FileBytes> files;
    {
      std::lock_guard lock(request->mutex);
      files = request->files;
    }
    // Given up: the file under way stalled, the ones after it were not read.
    if (files.size() < request->paths.size()) {
      FileBytes stuck;
      stuck.exists = true;
      stuck.problem = FileProblem::Stalled;
      files.resize(request->paths.size(), stuck);
    }
    request->done(std::move(files));
  }
}

}  // namespace tessaly::qt
