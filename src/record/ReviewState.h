// SPDX-License-Identifier: GPL-3.0-or-later
// A missed sentence's place in the review schedule, as the record keeps it; the schedule's
// rules that move it on are review/ReviewSchedule.h's. Plain data; any thread.
#pragma once

namespace tessaly {

struct ReviewState {
  int repetitions = 0;   // passing grades in a row
  int intervalDays = 0;  // the last interval given
  double ease = 2.5;     // SM-2's easiness factor, never under 1.3
  int dueDay = 0;        // the day it is due (days since 1970-01-01, the learner's own calendar)
  friend bool operator==(const ReviewState&, const ReviewState&) = default;
};

}  // namespace tessaly
