// SPDX-License-Identifier: GPL-3.0-or-later
// The warps of one sentence's synthesis frames on a stretch of the recording, which the
// transcript aligner is built of: the frames standardised and compared, the cost of a sentence
// on a stretch held at both ends, its best place in a stretch, and its fine path near where the
// coarse pass put it. Pure; any thread.
#pragma once

#include <limits>
#include <utility>
#include <vector>

#include "align/Features.h"
#include "align/LongAlign.h"

namespace tessaly::align {

// A sentence's length in the recording, at most and at least, to its synthesis's.
inline constexpr double kLongest = 3.0, kShortest = 0.4;

// Where a sentence was put on the recording's coarse frames.
struct Placed {
  int start = -1, end = -1;  // coarse recording frames (global), -1: passed over
  double cost = 0;           // summed distance on its path, scaled
  int cells = 0;
  float meanCost() const { return cells > 0 ? static_cast<float>(cost / cells) : std::numeric_limits<float>::infinity(); }
};

// Each coefficient to mean 0 and unit variance over the sequence's speech.
std::vector<Frame> standardised(const Features& features);

// How far apart two frames are in what is said.
float distance(const Frame& x, const Frame& y);

// The mean distance (over `scale`) on the best warp of synthesis frames [from, to) onto
// recording frames [r0, r1], both ends held; `stretch` on top for each frame one side moves alone.
float stretchCost(const std::vector<Frame>& synth, int from, int to, const std::vector<Frame>& rec, int r0, int r1,
                  float scale, float stretch);

// The best place of synthesis frames [from, to) in recording frames [r0, r1), ending in
// [endFrom, r1); not placed where none is of a sentence's length.
Placed bestPlace(const std::vector<Frame>& synth, int from, int to, const std::vector<Frame>& rec, int r0, int r1,
                 int endFrom, float scale, float stretch);

// The fine path of one sentence's frames near its coarse place: its first and its last
// recording hop.
std::pair<int, int> finePass(const std::vector<Frame>& synth, const SentenceFrames& span, const std::vector<Frame>& rec,
                             int startGuess, int endGuess);

}  // namespace tessaly::align
