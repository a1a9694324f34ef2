// SPDX-License-Identifier: GPL-3.0-or-later
// The least edits between a reference and a dictation, as sequences of unit numbers (equal
// numbers: the same unit), each substitution, deletion and insertion costing 1, and a run of
// units on one side matching one unit on the other at no cost (the same words written
// another way: see check/English.h).
//
// Texts up to kWholeTableCells cells are aligned exactly, in one table. Longer ones are cut
// at anchors — stretches of kAnchorUnits units found once in each text, in the same order in
// both — and the stretches between them are aligned exactly, so the memory and the time grow
// with the texts' length and their differences, not with the product of their lengths. A
// stretch between anchors larger than kStretchCells means the texts are too different to
// align (a wrong reference): the alignment says so instead.
//
// Pure; any thread.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

namespace tessaly {

// A run of `units` units ending before unit `end` (the index it is listed under) that says
// what unit number `id` says.
struct Run {
  int units = 0;
  int id = 0;
};

enum class StepKind { Diagonal, Deletion, Insertion, ReferenceRun, DictationRun };

struct Step {
  StepKind kind = StepKind::Diagonal;
  int reference = -1;  // the first reference unit it takes (-1: none)
  int dictation = -1;  // the first dictation unit it takes (-1: none)
  int referenceUnits = 0, dictationUnits = 0;
};

struct AlignInput {
  const std::vector<int>& reference;
  const std::vector<int>& dictation;
  // By end index (size + 1 entries each), or empty for no runs.
  const std::vector<std::vector<Run>>& referenceRuns;
  const std::vector<std::vector<Run>>& dictationRuns;
};

struct Aligned {
  std::vector<Step> steps;       // along both texts, in order
  std::size_t referenceEnd = 0;  // the steps take the reference up to here
  bool tooDifferent = false;     // no steps: the texts are too far apart to align
};

inline constexpr std::size_t kWholeTableCells = 40'000'000;  // 6,300 × 6,300 units
inline constexpr std::size_t kStretchCells = 40'000'000;
inline constexpr std::size_t kAnchorUnits = 8;

// `chooseEnd` gets, for each reference end i from `first` on, the cost of the whole
// dictation against the reference up to i (endCost[i - first]), and says where the steps
// stop (at or after `first`); null: at the reference's end.
using ChooseEnd = std::function<std::size_t(const std::vector<int>& endCost, std::size_t first)>;
Aligned align(const AlignInput& input, const ChooseEnd& chooseEnd);

}  // namespace tessaly
