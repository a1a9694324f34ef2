// SPDX-License-Identifier: GPL-3.0-or-later
// Where each sentence of a whole transcript is spoken in a whole recording, from the
// features of a synthesis of the transcript (each sentence's frames known) and of the
// recording. A coarse pass on frames four hops long warps the synthesis onto the recording
// window by window (so memory stays bounded on a long recording): between two sentences the
// recording may hold anything (a pause, music, an announcement), each of its frames costing
// a price, and a sentence may be passed over at a price by its length (one printed but never
// spoken); the prices follow how near the recording's voice comes to the synthesis's (a
// first, strict search tells; where its places keep more sentences clearly their own than
// the second's, they are kept instead). On a long recording, once the text's pace in it is
// known, a sentence put far beyond where that pace brings the text is not found there, and
// the search keeps to the pace where it finds nothing. The
// sentences it missed are looked for again between those it found, each taken where it
// costs clearly less than itself played backwards on the same stretch. Then each sentence
// found is warped again at the full frame rate near where the coarse pass put it, and its
// start moved to where its sound rises out of the pause before it. The text is taken for
// the recording's when most of it is found, at clearly less than the same sentences cost
// played backwards. Pure; any thread (the cancel flag is read, the progress called, on it).
#pragma once

#include <atomic>
#include <functional>
#include <limits>
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
  // The found sentences' median cost over what each costs backwards on its stretch, where
  // the options judge each sentence so (matchOwnShare): the lower, the more clearly the
  // sentences are where they were put.
  float ownShare = 0;
  bool cancelled = false;
};

// What depends on how near a reader's voice can come to the synthesis's: the nearer, the
// further apart a sentence's cost and a wrong one's, and the stricter both may be.
struct LongAlignOptions {
  // For the text to be the recording's: the found sentences' median cost at most this share
  // of what the same sentences cost backwards.
  float matchShare = 0.85f;
  // A sentence passed over, a frame: this over the typical sentence's cost, and in the first,
  // strict search this.
  float skipMargin = 0.20f;
  float strictSkip = 0.85f;
  // A sentence looked for again between found ones: taken at most at this share of what it
  // costs backwards on the same stretch (0: none is looked for again; a voice near the
  // synthesis's loses none the search could find).
  float ownShare = 0;
  // The same for one alone between two found ones.
  float boxedShare = 0;
  // A sentence the search found is let go, and looked for again, over this share.
  float dropShare = std::numeric_limits<float>::infinity();
  // Or the text is the recording's when the found sentences' median share of what each
  // costs backwards on its own stretch is at most this.
  float matchOwnShare = 0;
};

// The options for English: its synthesis stays further from any reader's voice than
// Mandarin's, so a text's sentences cost nearer to what they cost backwards, and a wrong
// sentence nearer to the right one; passing a sentence over is cheap, so no sentence is
// traded for the one after it; each sentence is judged against itself backwards too.
inline constexpr LongAlignOptions kDistantVoice = {.matchShare = 0.90f,
                                                   .skipMargin = 0.0f,
                                                   .strictSkip = 0.5f,
                                                   .ownShare = 0.92f,
                                                   .boxedShare = 0.96f,
                                                   .dropShare = 0.96f,
                                                   .matchOwnShare = 0.89f};

// A cancel flag set stops the work soon (the result then says cancelled); `progress` is
// given the share done, 0 to 1.
LongAlignment alignLong(const Features& synthesis, const std::vector<SentenceFrames>& sentences, const Features& recording,
                        const std::atomic<bool>* cancel = nullptr, const std::function<void(double)>& progress = {},
                        const LongAlignOptions& options = {});

}  // namespace tessaly::align
