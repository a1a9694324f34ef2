// SPDX-License-Identifier: GPL-3.0-or-later
// Where each unit of a sentence (a Han character, an English word) is spoken in the
// recording, found by comparing the recording with a synthesis of the same sentence whose
// unit times are known: both turned into features (align/Features.h), the synthesis warped
// onto the recording by banded dynamic time warping on what the voices share (the loudness
// against each sentence's own mean and spread, the lower coefficients and their change),
// each unit's boundaries carried across the warp and moved to where the nearest energy valley
// begins; an English word after a pause the synthesis does not make (or makes shorter) starts
// where the pause ends: the warp holds the pause on the word before, and a still pause near a
// word's start moves the start to its end. Mandarin units get one syllable nucleus each; a
// unit holding none or several is marked low-confidence. Pure; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "align/Features.h"

namespace tessaly::align {

// A stretch of a sentence's audio, in ms from the sentence's start.
struct Span {
  double startMs = 0, endMs = 0;
};

struct UnitTime {
  double startMs = 0, endMs = 0;  // from the sentence's start
  float confidence = 1;           // 1: sure; under 0.5: the unit's nucleus was not where it should be
};

// A unit of a recording's sentence, where it is spoken.
struct UnitSpan {
  int sentence = 0;  // in the sentence map
  int unit = 0;      // in the sentence's text, as the check counts units
  double startMs = 0, endMs = 0;
  float confidence = 1;
  std::string text;
  friend bool operator==(const UnitSpan&, const UnitSpan&) = default;
};

// The warp of `a` onto `b`: pairs (i, j), i over a's frames, j over b's, from (0, 0) to the
// ends, each step one frame on either or both; no pair further than `band` (a share of the
// longer length, at least 20 frames) from the diagonal.
std::vector<std::pair<int, int>> warpPath(const std::vector<Frame>& a, const std::vector<Frame>& b, double band = 0.3);

// How long the speech in `f` lasts: from its first hop near its loudest (and well over its
// noise floor) to its last.
double speechMs(const Features& f);

// The recording's times of the synthesis's `units`. `han`: the units are Han characters.
std::vector<UnitTime> carryUnits(const std::vector<Span>& units, const Features& synthesis, const Features& recording,
                                 bool han);

}  // namespace tessaly::align
