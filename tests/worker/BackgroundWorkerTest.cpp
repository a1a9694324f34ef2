// SPDX-License-Identifier: GPL-3.0-or-later
// The background worker: a newer job never waits for the one under way, whose news is then
// stale; the newest job's result is read while it grows and taken once when it is finished;
// its thread comes with its first job.
#include "worker/BackgroundWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

namespace tessaly::test {
namespace {

using Worker = BackgroundWorker<std::string>;

// Waits up to 5 s for `done` (asked until it first says yes).
template <typename Done>
bool waitFor(Done done) {
  for (int i = 0; i < 500; ++i) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(BackgroundWorker, ANewerJobNeverWaitsAndTheOlderOnesNewsIsStale) {
  Worker worker;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> firstRunning{false}, firstSawCancel{false};
  const std::uint32_t first = worker.start([&](const std::atomic<bool>& cancel, const Worker::Publish& publish) {
    publish([](std::string& r) { r = "first, early"; }, false);
    firstRunning = true;  // after its early news, which the test reads next
    released.wait();      // a job that cannot stop at once (a long check)
    firstSawCancel = cancel.load();
    publish([](std::string& r) { r = "first, late"; }, true);
  });
  ASSERT_TRUE(waitFor([&] { return firstRunning.load(); }));
  std::string seen;
  EXPECT_TRUE(worker.read(first, [&](const std::string& r, bool finished) { seen = r + (finished ? "!" : ""); }));
  EXPECT_EQ(seen, "first, early");

  // Two more while the first still runs: the middle one is dropped unstarted.
  std::atomic<int> middleRuns{0};
  const std::uint32_t middle = worker.start([&](const std::atomic<bool>&, const Worker::Publish&) { ++middleRuns; });
  const std::uint32_t last = worker.start(
      [](const std::atomic<bool>&, const Worker::Publish& publish) { publish([](std::string& r) { r += "last"; }, true); });
  EXPECT_FALSE(worker.read(first, [](const std::string&, bool) {})) << "the first one's news is stale at once";
  EXPECT_FALSE(worker.take(middle));
  release.set_value();
  std::optional<std::string> taken;
  ASSERT_TRUE(waitFor([&] { return (taken = worker.take(last)).has_value(); }));
  EXPECT_EQ(*taken, "last") << "nothing of the first job's late news";
  EXPECT_TRUE(firstSawCancel) << "the job under way was told to stop";
  EXPECT_EQ(middleRuns, 0);
}

TEST(BackgroundWorker, TheResultIsTakenOnceAndOnlyWhenFinished) {
  Worker worker;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  const std::uint32_t job = worker.start([&](const std::atomic<bool>&, const Worker::Publish& publish) {
    publish([](std::string& r) { r = "half"; }, false);
    released.wait();
    publish([](std::string& r) { r += " and whole"; }, true);
  });
  ASSERT_TRUE(waitFor([&] {
    std::string r;
    worker.read(job, [&](const std::string& result, bool) { r = result; });
    return r == "half";
  }));
  EXPECT_FALSE(worker.take(job)) << "not finished yet";
  release.set_value();
  std::optional<std::string> taken;
  ASSERT_TRUE(waitFor([&] { return (taken = worker.take(job)).has_value(); }));
  EXPECT_EQ(*taken, "half and whole");
  EXPECT_FALSE(worker.take(job)) << "handed over once";
  worker.cancel();
  EXPECT_FALSE(worker.read(job, [](const std::string&, bool) {}));
}

// The threads of this process, as the kernel counts them.
int threadCount() {
  int count = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) ++count;
  return count;
}

// A worker costs its thread only from its first job on (the program makes a dozen of them at
// start, most of which a session never uses), and one never started ends at once.
TEST(BackgroundWorker, ItsThreadStartsWithItsFirstJob) {
  const int before = threadCount();
  {
    Worker idle[8];
    EXPECT_EQ(threadCount(), before) << "no thread for a worker without a job";
    idle[0].cancel();
    EXPECT_FALSE(idle[0].read(7, [](const std::string&, bool) {}));
    EXPECT_EQ(threadCount(), before) << "nor for a cancel or a read";
    const std::uint32_t job = idle[3].start(
        [](const std::atomic<bool>&, const Worker::Publish& publish) { publish([](std::string&) {}, true); });
    EXPECT_EQ(threadCount(), before + 1);
    EXPECT_TRUE(waitFor([&] { return idle[3].take(job).has_value(); }));
  }
  EXPECT_EQ(threadCount(), before) << "the one started has ended";
}

}  // namespace
}  // namespace tessaly::test
