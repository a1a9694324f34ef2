// SPDX-License-Identifier: GPL-3.0-or-later
// Where each sentence of a whole transcript is spoken in a whole recording, from the
// features of a synthesis of the transcript (each sentence's frames known) and of the
// recording. A coarse pass on frames four hops long warps the synthesis onto the recording
// window by window (so memory stays bounded on a long recording): between two sentences the
// recording may hold anything (a pause, music, an announcement), each of its frames costing
// a price, and a sentence may be passed over at a price by its length (one printed but never
// spoken); the prices follow how near the recording's voice comes to the synthesis's. Then
// each sentence found is warped again at the full frame rate near where the coarse pass put
// it, and its start moved to where its sound rises out of the pause before it. The text is
// taken for the recording's when most of it is found, at clearly less than the same
// sentences cost played backwards. Pure; any thread (the cancel flag is read, the progress
// called, on it).
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "align/Features.h"

namespace tessaly::align {

// A sentence's frames in the synthesis: [from, to).
struct SentenceFrames {
  int from = 0, to = 0;
};

struct FoundSentence {
  bool found = false;
  double startMs = 0, endMs = 0;  // in the recording, where its sound starts and ends
  float cost = 0;                 // mean distance on its path, 1 being that of unrelated frames
};

struct LongAlignment {
  std::vector<FoundSentence> sentences;  // one for each sentence given, in order
  bool matches = false;                  // enough was found, and found well enough, to be this recording's text
  bool cancelled = false;
};

// A cancel flag set stops the work soon (the result then says cancelled); `progress` is
// given the share done, 0 to 1.
LongAlignment alignLong(const Features& synthesis, const std::vector<SentenceFrames>& sentences, const Features& recording,
                        const std::atomic<bool>* cancel = nullptr, const std::function<void(double)>& progress = {});

}  // namespace tessaly::align
