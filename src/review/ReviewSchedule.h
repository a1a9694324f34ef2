// SPDX-License-Identifier: GPL-3.0-or-later
// When a missed sentence comes back (复习): SM-2, the SuperMemo 2 algorithm (Woźniak, 1990),
// on whole days. Each attempt at a sentence is graded 0–5 from its accuracy; a grade under 3
// starts the sentence over (back tomorrow), a pass lengthens the interval by the sentence's
// ease, which each grade nudges. A sentence enters the schedule when it is first missed, as a
// lapse. Pure; any thread.
#pragma once

#include <optional>

#include "record/ReviewState.h"

namespace tessaly {

// An accuracy at or above this is a sentence written without a slip: never missed.
inline constexpr double kCleanAccuracy = 99.95;

// 5 for a sentence written without a slip (kCleanAccuracy), 4 from 90 %, 3 from 75 %, 2 from 50 %, 1
// from 25 %, else 0.
int gradeOfAccuracy(double percent);

// A sentence missed for the first time: it starts as a lapse does (back tomorrow, the passes
// counted from nothing), its ease nudged by `grade`.
ReviewState firstMiss(int grade, int today);

// The state after an attempt graded `grade` on day `today`.
ReviewState nextReview(ReviewState state, int grade, int today);

// Where a sentence stands after an attempt at `accuracy` (percent) on `today`: `state` is its
// place in the schedule, none while it has never been missed. A clean attempt at a sentence
// never missed leaves it out (none); a miss brings it in; any attempt moves it on once in.
std::optional<ReviewState> afterAttempt(const std::optional<ReviewState>& state, double accuracy, int today);

}  // namespace tessaly
