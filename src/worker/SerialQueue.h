// SPDX-License-Identifier: GPL-3.0-or-later
// Background work where every job matters, in the order it was given (the learner's record,
// the recovery copies and the settings): one thread of its own, started by the first job,
// runs the jobs one at a time, first in first out. A question (Answers) is a job whose answer
// is kept for its asker by serial number and handed over once; a newer question of the same
// kind drops the older one's answer, taken or not, so answers nobody takes are never kept
// for good. What the jobs could not do yet (a write that failed) is tried again by Retrying,
// which also tells each run of failures once.
//
// finish() (and the destructor) runs every job given before it, then the retry once more,
// then the last words; a job given after it is not run.
//
// Threads: post(), finish(), waitIdle() and the questions on any thread but the queue's own
// (the user-interface thread in the program); the jobs on the queue's thread. mutex_ guards
// the jobs and whether one is under way; no lock of the queue is held while a job runs.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace tessaly {

class SerialQueue {
 public:
  using Job = std::function<void()>;

  SerialQueue() = default;
  ~SerialQueue() { finish(); }
  SerialQueue(const SerialQueue&) = delete;
  SerialQueue& operator=(const SerialQueue&) = delete;

  // Queues `job` behind every job given before it.
  void post(Job job) {
    {
      std::lock_guard lock(mutex_);
      if (finished_) return;
      jobs_.push_back(std::move(job));
      if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
  }

  // Runs what is queued, the retry once more when one is due, then `last` (on the queue's
  // thread), and stops the thread. Once: later calls do nothing.
  void finish(Job last = {}) {
    {
      std::lock_guard lock(mutex_);
      if (finished_) return;
      finished_ = true;
      last_ = std::move(last);
      if (!thread_.joinable() && (last_ || !jobs_.empty())) thread_ = std::thread([this] { run(); });
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  // Blocks until every job given so far (and a retry under way) has run.
  void waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return jobs_.empty() && !busy_; });
  }

  // A serial number for a question, never given twice by this queue. Any thread.
  std::uint32_t nextSerial() { return ++serial_; }

 private:
  friend class Retrying;

  void run() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (jobs_.empty()) {
        busy_ = false;
        idle_.notify_all();
        if (finished_) break;
        // The retry's question is asked without the queue's lock: it may take its owner's.
        lock.unlock();
        const bool due = retryDue_ && retryDue_();
        lock.lock();
        if (!jobs_.empty() || finished_) continue;
        if (!due) {
          wake_.wait(lock, [this] { return !jobs_.empty() || finished_; });
        } else if (!wake_.wait_for(lock, retryPeriod_, [this] { return !jobs_.empty() || finished_; })) {
          jobs_.push_back(retryAgain_);  // quiet for a whole period: time for another try
        }
        continue;
      }
      Job job = std::move(jobs_.front());
      jobs_.pop_front();
      busy_ = true;
      lock.unlock();
      job();
      lock.lock();
    }
    busy_ = true;
    Job last = std::move(last_);
    lock.unlock();
    if (retryDue_ && retryDue_()) retryAgain_();  // once more at the end
    if (last) last();
    lock.lock();
    busy_ = false;
    idle_.notify_all();
  }

  // Set before the first job (by Retrying), read by the queue's thread only.
  std::chrono::milliseconds retryPeriod_{0};
  std::function<bool()> retryDue_;
  Job retryAgain_;

  std::atomic<std::uint32_t> serial_{0};
  std::mutex mutex_;
  std::condition_variable wake_, idle_;
  std::deque<Job> jobs_;
  Job last_;
  bool busy_ = false, finished_ = false;
  std::thread thread_;  // from the first job on
};

// One kind of question on a queue (the due list, the charts' figures): ask() queues `job`,
// whose answer take() hands over once by the serial ask() gave. Only the newest question's
// answer is kept: an older one's, taken or not, is dropped once a newer one is asked.
//
// Threads: ask() and take() on the asker's thread; the jobs on the queue's. mutex_ guards the
// newest serial and the answer.
template <typename Answer>
class Answers {
 public:
  explicit Answers(SerialQueue& queue) : queue_(queue) {}
  Answers(const Answers&) = delete;
  Answers& operator=(const Answers&) = delete;

  std::uint32_t ask(std::function<Answer()> job) {
    const std::uint32_t serial = queue_.nextSerial();
    {
      std::lock_guard lock(mutex_);
      newest_ = serial;
      answer_.reset();
    }
    queue_.post([this, serial, job = std::move(job)] {
      Answer answer = job();
      std::lock_guard lock(mutex_);
      if (serial == newest_) answer_.emplace(serial, std::move(answer));
    });
    return serial;
  }

  std::optional<Answer> take(std::uint32_t serial) {
    std::lock_guard lock(mutex_);
    if (!answer_ || answer_->first != serial) return std::nullopt;
    std::optional<Answer> taken(std::move(answer_->second));
    answer_.reset();
    return taken;
  }

  // Whether an answer waits to be taken (for the tests).
  bool holding() const {
    std::lock_guard lock(mutex_);
    return answer_.has_value();
  }

 private:
  SerialQueue& queue_;
  mutable std::mutex mutex_;
  std::uint32_t newest_ = 0;
  std::optional<std::pair<std::uint32_t, Answer>> answer_;
};

// What a queue's jobs could not do yet (writes that failed), tried again and told once.
// While `due()` says something waits for another try, `again` runs on the queue's thread
// once the queue has had no job for a whole `period`, and once more when it finishes. Of a
// run of failures only the first (the first of all, or the first since something succeeded)
// is news: failed() says so once.
//
// Threads: made before the queue's first job; failed() and succeeded() on the queue's thread
// (its jobs and `again`); `due` is asked there too, with no lock of the queue held.
class Retrying {
 public:
  Retrying(SerialQueue& queue, std::chrono::milliseconds period, std::function<bool()> due, SerialQueue::Job again) {
    queue.retryPeriod_ = period;
    queue.retryDue_ = std::move(due);
    queue.retryAgain_ = std::move(again);
  }

  // Something could not be done; true when this failure is to be told.
  bool failed() { return !std::exchange(told_, true); }
  // Something was done: the next failure is news.
  void succeeded() { told_ = false; }

 private:
  bool told_ = false;
};

}  // namespace tessaly
