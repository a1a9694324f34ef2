// SPDX-License-Identifier: GPL-3.0-or-later
// The serial queue: jobs run in the order given; questions are answered by serial, once, and
// an older question's answer is dropped; what failed is tried again with each run of failures
// told once; finishing runs every job given before it, the retry and the last words.
#include "worker/SerialQueue.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <thread>
#include <vector>

namespace tessaly::test {
namespace {

TEST(SerialQueue, JobsRunOneAtATimeInTheOrderGivenFromAnyThread) {
  SerialQueue queue;
  std::vector<int> ran;  // the queue's thread alone
  std::atomic<int> running{0}, most{0};
  auto job = [&](int n) {
    return [&, n] {
      most = std::max(most.load(), ++running);
      ran.push_back(n);
      --running;
    };
  };
  for (int n = 0; n < 200; ++n) queue.post(job(n));
  std::thread other([&] { queue.post(job(200)); });
  other.join();
  queue.waitIdle();
  ASSERT_EQ(ran.size(), 201u);
  for (int n = 0; n < 201; ++n) EXPECT_EQ(ran[static_cast<std::size_t>(n)], n);
  EXPECT_EQ(most, 1) << "two jobs ran at once";
}

TEST(SerialQueue, QuestionsAreAnsweredBySerialOnceAndOnlyTheNewestOfAKindIsKept) {
  struct Step {
    const char* name;
    bool askAgainFirst;  // the due list asked again (a new serial) before the first is taken
    bool firstTaken;
  };
  const Step steps[] = {
      {"asked once", false, true},
      {"asked again before it was taken", true, false},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    SerialQueue queue;
    Answers<std::string> dues(queue);
    Answers<int> stats(queue);
    const std::uint32_t first = dues.ask([] { return std::string("first"); });
    const std::uint32_t figures = stats.ask([] { return 42; });
    std::uint32_t second = 0;
    if (s.askAgainFirst) second = dues.ask([] { return std::string("second"); });
    queue.waitIdle();
    EXPECT_NE(first, figures) << "two questions share a serial";
    EXPECT_FALSE(dues.take(figures)) << "another kind's serial";
    EXPECT_EQ(dues.take(first).has_value(), s.firstTaken);
    if (s.askAgainFirst) {
      EXPECT_EQ(dues.take(second).value_or(""), "second");
    }
    EXPECT_FALSE(dues.holding()) << "an answer nobody will take is still kept";
    EXPECT_FALSE(dues.take(first)) << "handed over twice";
    EXPECT_EQ(stats.take(figures).value_or(0), 42);
  }
}

TEST(SerialQueue, AnOlderAnswerArrivingAfterANewerQuestionIsNotKept) {
  SerialQueue queue;
  Answers<int> dues(queue);
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  const std::uint32_t first = dues.ask([&] {
    released.wait();  // still being worked out when it is asked again
    return 1;
  });
  const std::uint32_t second = dues.ask([] { return 2; });
  release.set_value();
  queue.waitIdle();
  EXPECT_FALSE(dues.take(first));
  EXPECT_EQ(dues.take(second).value_or(0), 2);
}

// A write that fails `failures` times, tried again until it succeeds; each run of failures is
// told once; a write given meanwhile goes first and succeeds.
TEST(SerialQueue, WhatFailedIsTriedAgainAndEachRunOfFailuresIsToldOnce) {
  const struct {
    const char* name;
    std::vector<int> runs;  // failures in a row, each run ended by a success
    int told;
  } cases[] = {
      {"never fails", {0}, 0},
      {"fails once", {1}, 1},
      {"fails five times in a row", {5}, 1},
      {"two runs of failures", {3, 2}, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SerialQueue queue;
    std::atomic<int> pending{0}, told{0}, tries{0}, failuresLeft{0};
    std::unique_ptr<Retrying> retrying;
    auto attempt = [&] {
      ++tries;
      if (failuresLeft > 0) {
        --failuresLeft;
        if (retrying->failed()) ++told;
        return;
      }
      retrying->succeeded();
      --pending;
    };
    retrying = std::make_unique<Retrying>(
        queue, std::chrono::milliseconds(1), [&] { return pending > 0; }, attempt);
    int expectedTries = 0;
    for (const int failures : c.runs) {
      failuresLeft = failures;
      ++pending;
      queue.post(attempt);
      expectedTries += failures + 1;
      for (int i = 0; i < 5000 && pending > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
      queue.waitIdle();
      EXPECT_EQ(pending, 0) << "never tried again";
    }
    EXPECT_EQ(tries, expectedTries);
    EXPECT_EQ(told, c.told);
  }
}

// Finishing with jobs still waiting behind a long one: every one of them runs, then the retry
// of what is still unwritten, then the last words; a job given afterwards does not run.
TEST(SerialQueue, FinishingLosesNoJobAndEndsWithTheRetryAndTheLastWords) {
  std::vector<std::string> done;  // the queue's thread alone, read after it has gone
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  bool unwritten = true;
  {
    SerialQueue queue;
    Retrying retrying(
        queue, std::chrono::hours(1), [&] { return unwritten; },
        [&] {
          done.push_back("retry");
          unwritten = false;
        });
    queue.post([&] {
      released.wait();
      done.push_back("long");
    });
    for (int n = 0; n < 20; ++n) queue.post([&, n] { done.push_back(std::to_string(n)); });
    std::thread releaser([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      release.set_value();
    });
    queue.finish([&] { done.push_back("last"); });
    releaser.join();
    queue.post([&] { done.push_back("too late"); });
  }
  ASSERT_EQ(done.size(), 23u);
  EXPECT_EQ(done.front(), "long");
  for (int n = 0; n < 20; ++n) EXPECT_EQ(done[static_cast<std::size_t>(n) + 1], std::to_string(n));
  EXPECT_EQ(done[21], "retry");
  EXPECT_EQ(done[22], "last");
}

}  // namespace
}  // namespace tessaly::test
