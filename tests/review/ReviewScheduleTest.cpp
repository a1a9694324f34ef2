// SPDX-License-Identifier: GPL-3.0-or-later
// The review schedule: grades from accuracy and SM-2's intervals, day by day on a manual
// calendar.
#include "review/ReviewSchedule.h"

#include <gtest/gtest.h>

namespace tessaly::test {
namespace {

TEST(ReviewSchedule, AccuracyBecomesAGrade) {
  const struct {
    double percent;
    int grade;
  } cases[] = {{100, 5}, {99.9, 4}, {90, 4}, {89.9, 3}, {75, 3}, {74.9, 2}, {50, 2}, {25, 1}, {24.9, 0}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(gradeOfAccuracy(c.percent), c.grade) << c.percent;
}

TEST(ReviewSchedule, IntervalsGrowWithPassesAndStartOverAfterAMiss) {
  // A sentence missed on day 100, then attempted on each day it is due with these grades.
  const struct {
    int grade;
    int interval, due;
    double ease;
  } steps[] = {
      {2, 1, 101, 2.18},                      // the miss that put it in the queue: back tomorrow
      {4, 1, 102, 2.18},                      // first pass: a day
      {5, 6, 108, 2.28},                      // second: six days
      {4, 14, 122, 2.28},                     // then the interval times the ease
      {5, 32, 154, 2.38}, {1, 1, 155, 1.84},  // missed again: tomorrow, and the ease falls
      {3, 1, 156, 1.70},
  };
  ReviewState state;
  int today = 100;
  for (const auto& s : steps) {
    state = nextReview(state, s.grade, today);
    EXPECT_EQ(state.intervalDays, s.interval) << "grade " << s.grade << " on day " << today;
    EXPECT_EQ(state.dueDay, s.due);
    EXPECT_NEAR(state.ease, s.ease, 0.005);
    today = state.dueDay;
  }
  // A first miss is a lapse whatever its grade: tomorrow, then 1 and 6 days after passes.
  const ReviewState missed = firstMiss(4, 100);
  EXPECT_EQ(missed, (ReviewState{0, 1, 2.5, 101}));
  const ReviewState passed = nextReview(missed, 5, 101);
  EXPECT_EQ(passed.dueDay, 102);
  EXPECT_EQ(nextReview(passed, 5, 102).dueDay, 108);

  ReviewState floor;
  for (int i = 0; i < 20; ++i) floor = nextReview(floor, 0, 0);
  EXPECT_DOUBLE_EQ(floor.ease, 1.3) << "the ease never falls under 1.3";
}

// After an attempt: a sentence never missed stays out while it is written clean (even a hair
// under 100 % rounds to a slip-free sentence), comes in when missed, and moves on with every
// attempt once in — a clean one included.
TEST(ReviewSchedule, AnAttemptBringsAMissInAndMovesItOn) {
  const int today = 20000;
  const ReviewState due{2, 6, 2.5, today};
  const struct {
    const char* name;
    std::optional<ReviewState> before;
    double accuracy;
    std::optional<ReviewState> after;
  } cases[] = {
      {"never missed, clean", std::nullopt, 100, std::nullopt},
      {"never missed, clean to the threshold", std::nullopt, kCleanAccuracy, std::nullopt},
      {"never missed, just under", std::nullopt, 99.9, firstMiss(4, today)},
      {"never missed, missed badly", std::nullopt, 10, firstMiss(0, today)},
      {"in, clean", due, 100, nextReview(due, 5, today)},
      {"in, missed", due, 40, nextReview(due, 1, today)},
  };
  for (const auto& c : cases) EXPECT_EQ(afterAttempt(c.before, c.accuracy, today), c.after) << c.name;
}

}  // namespace
}  // namespace tessaly::test
