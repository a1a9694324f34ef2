// SPDX-License-Identifier: GPL-3.0-or-later
// Background work where only the newest job matters (the sentences and the waveform of a
// recording, the check of a dictation): a worker thread of its own runs the newest job it
// is given. A newer start() raises the cancel flag of the job under way and replaces any job
// still waiting, and never waits for either; what a job publishes is kept with the serial
// number of its start, so the news of an older job is never handed out. The thread is started
// by the first start(): a worker that is never used costs no thread. Work where every job
// matters, in order, runs on worker/SerialQueue.h instead. Those are the program's two ways of
// background work; beside them there are only the audio engine's own threads and the file
// reader's thread per request (qt/BackgroundFileReader.h). Nothing here calls the
// user-interface thread: it reads and takes the results on its own ticks (ui/UiThread.h).
//
// Threads: start(), cancel(), read() and take() on the user-interface thread; the jobs on
// the worker's thread, one at a time (so what they share needs no lock of its own).
// mutex_ guards the waiting job, the result, its serial and whether it is finished.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace tessaly {

template <typename Result>
class BackgroundWorker {
 public:
  // Runs `update` on the published result under the lock, then marks it finished or not.
  using Publish = std::function<void(const std::function<void(Result&)>& update, bool finished)>;
  using Work = std::function<void(const std::atomic<bool>& cancel, const Publish& publish)>;

  BackgroundWorker() = default;
  // Cancels the job under way and waits for it to return.
  ~BackgroundWorker() {
    if (!thread_.joinable()) return;
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
      cancel_.store(true);
    }
    wake_.notify_one();
    thread_.join();
  }
  BackgroundWorker(const BackgroundWorker&) = delete;
  BackgroundWorker& operator=(const BackgroundWorker&) = delete;

  // Clears the result and runs `work` once the job under way (now cancelled) has returned.
  std::uint32_t start(Work work) {
    const std::uint32_t serial = ++serial_;
    {
      std::lock_guard lock(mutex_);
      resultSerial_ = serial;
      result_ = Result{};
      finished_ = false;
      waiting_ = std::move(work);
      waitingSerial_ = serial;
      cancel_.store(true);
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    wake_.notify_one();
    return serial;
  }

  // Cancels the job under way and any waiting; read() and take() give nothing for them any more.
  void cancel() {
    std::lock_guard lock(mutex_);
    waiting_ = nullptr;
    cancel_.store(true);
    ++resultSerial_;  // matches no job's serial
  }

  // Calls `use(result, finished)` under the lock when `serial` is the newest job; false (and
  // nothing called) otherwise.
  bool read(std::uint32_t serial, const std::function<void(const Result&, bool finished)>& use) const {
    std::lock_guard lock(mutex_);
    if (serial != resultSerial_) return false;
    use(result_, finished_);
    return true;
  }

  // The result of job `serial` once it has finished, handed over once.
  std::optional<Result> take(std::uint32_t serial) {
    std::lock_guard lock(mutex_);
    if (serial != resultSerial_ || !finished_) return std::nullopt;
    ++resultSerial_;
    return std::move(result_);
  }

 private:
  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stopping_ || waiting_ != nullptr; });
      if (stopping_) return;
      Work work = std::move(waiting_);
      waiting_ = nullptr;
      const std::uint32_t serial = waitingSerial_;
      cancel_.store(false);
      lock.unlock();
      work(cancel_, [this, serial](const std::function<void(Result&)>& update, bool finished) {
        std::lock_guard published(mutex_);
        if (serial != resultSerial_) return;  // a newer job has begun: this one's news is stale
        update(result_);
        finished_ = finished;
      });
      lock.lock();
    }
  }

  std::uint32_t serial_ = 0;  // user-interface thread
  std::atomic<bool> cancel_{false};

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  Work waiting_;
  std::uint32_t waitingSerial_ = 0;
  std::uint32_t resultSerial_ = 0;
  Result result_{};
  bool finished_ = false;
  std::thread thread_;  // from the first start() on
};

}  // namespace tessaly
