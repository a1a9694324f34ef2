// SPDX-License-Identifier: GPL-3.0-or-later
// The machinery both of the engine's scans share (the sentences of a recording, its
// waveform): one thread at a time works through a recording, a newer start cancels the work
// under way, and what the work publishes is kept under a lock with the serial number of its
// start, so the news of an older scan is never handed out.
//
// Threads: start(), cancel() and read() on the user-interface thread; the work on the scan's
// own thread, publishing through the function it is given. mutex_ guards result_, finished_
// and resultSerial_.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace tessaly::audio {

template <typename Result>
class BackgroundScan {
 public:
  // Runs `update` on the published result under the lock, then marks it finished or not.
  using Publish = std::function<void(const std::function<void(Result&)>& update, bool finished)>;
  using Work = std::function<void(const std::atomic<bool>& cancel, const Publish& publish)>;

  BackgroundScan() = default;
  ~BackgroundScan() { stop(); }
  BackgroundScan(const BackgroundScan&) = delete;
  BackgroundScan& operator=(const BackgroundScan&) = delete;

  // Cancels the scan under way, clears the result, and runs `work` on a thread of its own.
  std::uint32_t start(Work work) {
    stop();
    const std::uint32_t serial = ++serial_;
    {
      std::lock_guard lock(mutex_);
      resultSerial_ = serial;
      result_ = Result{};
      finished_ = false;
    }
    thread_ = std::thread([this, serial, work = std::move(work)] {
      work(cancel_, [this, serial](const std::function<void(Result&)>& update, bool finished) {
        std::lock_guard lock(mutex_);
        if (serial != resultSerial_) return;  // a newer scan has begun: this one's news is stale
        update(result_);
        finished_ = finished;
      });
    });
    return serial;
  }

  // Stops the scan under way; read() gives nothing for it any more.
  void cancel() {
    stop();
    std::lock_guard lock(mutex_);
    ++resultSerial_;  // matches no scan's serial
  }

  // Calls `use(result, finished)` under the lock when `serial` is the newest scan; false (and
  // nothing called) otherwise.
  bool read(std::uint32_t serial, const std::function<void(const Result&, bool finished)>& use) const {
    std::lock_guard lock(mutex_);
    if (serial != resultSerial_) return false;
    use(result_, finished_);
    return true;
  }

 private:
  void stop() {
    cancel_.store(true);
    if (thread_.joinable()) thread_.join();
    cancel_.store(false);
  }

  std::thread thread_;
  std::atomic<bool> cancel_{false};
  std::uint32_t serial_ = 0;  // UI thread

  mutable std::mutex mutex_;
  std::uint32_t resultSerial_ = 0;
  Result result_{};
  bool finished_ = false;
};

}  // namespace tessaly::audio
