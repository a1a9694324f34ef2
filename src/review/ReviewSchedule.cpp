// SPDX-License-Identifier: GPL-3.0-or-later
#include "review/ReviewSchedule.h"

#include <algorithm>
#include <cmath>

namespace tessaly {

int gradeOfAccuracy(double percent) {
  if (percent >= kCleanAccuracy) return 5;
  if (percent >= 90) return 4;
  if (percent >= 75) return 3;
  if (percent >= 50) return 2;
  if (percent >= 25) return 1;
  return 0;
}

ReviewState nextReview(ReviewState state, int grade, int today) {
  grade = std::clamp(grade, 0, 5);
  if (grade < 3) {
    state.repetitions = 0;
    state.intervalDays = 1;
  } else {
    state.intervalDays = state.repetitions == 0   ? 1
                         : state.repetitions == 1 ? 6
                                                  : static_cast<int>(std::lround(state.intervalDays * state.ease));
    ++state.repetitions;
  }
  const int miss = 5 - grade;
  state.ease = std::max(1.3, state.ease + 0.1 - miss * (0.08 + miss * 0.02));
  state.dueDay = today + state.intervalDays;
  return state;
}

ReviewState firstMiss(int grade, int today) {
  ReviewState state = nextReview({}, grade, today);
  state.repetitions = 0;
  state.intervalDays = 1;
  state.dueDay = today + 1;
  return state;
}

std::optional<ReviewState> afterAttempt(const std::optional<ReviewState>& state, double accuracy, int today) {
  const int grade = gradeOfAccuracy(accuracy);
  if (state) return nextReview(*state, grade, today);
  if (grade == 5) return std::nullopt;
  return firstMiss(grade, today);
}

}  // namespace tessaly
