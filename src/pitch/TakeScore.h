// SPDX-License-Identifier: GPL-3.0-or-later
// A learner's take against the speaker's sentence, scored with its reasons: timing (the take's
// length against the original's, and its pauses), shape (the correlation of the two pitch lines
// once the take is warped onto the original by dynamic time warping of their features), range
// (the RMS distance of the aligned lines in semitones, each from its own speaker's median), and,
// where each character's span is known, the characters whose pitch moved much less than the
// speaker's (a tone said flat). Said in words, not only as numbers. Pure; any thread.
#pragma once

#include <string>
#include <vector>

#include "align/Align.h"

namespace tessaly::pitch {

struct TakeScore {
  double lengthRatio = 0;            // the take's speech over the original's
  double shape = 0;                  // correlation of the aligned pitch lines, -1 to 1
  double rangeSt = 0;                // RMS distance of the aligned lines, semitones
  int score = 0;                     // 0 to 100, from the three above
  std::vector<int> flatUnits;        // characters said flat, from 0
  std::vector<std::string> reasons;  // "整句比原声慢 40 %", "第 3 个字的声调偏平"
  // The two pitch lines on the original's time, a value every 10 ms, in semitones from each
  // speaker's own median (NaN where there is no pitch): the take's warped onto the original's.
  std::vector<double> originalLine, takeLine;
};

// `units`: the original's units (from its start), to name characters; may be empty.
TakeScore scoreTake(const std::vector<float>& original, int originalRate, const std::vector<float>& take, int takeRate,
                    const std::vector<align::Span>& units = {});

}  // namespace tessaly::pitch
