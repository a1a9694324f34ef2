// SPDX-License-Identifier: GPL-3.0-or-later
// A scheme laid out over a recording's sentences: the stretches to play, one pass each, in
// order, each with its speed and the pause after it. The live run (practice/LoopPacer.h's
// pacer) walks it on the player; the status line and the practice window say where it is.
// Pure; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drill/RepeatScheme.h"
#include "sentences/SentenceMap.h"

namespace tessaly {

struct DrillStep {
  double startMs = 0;
  double endMs = 0;
  int sentence = -1;  // in the sentence map; -1: the whole recording
  int pass = 1;       // from 1
  int passes = 1;     // of this stretch, in a row
  int speedPercent = 100;
  int pauseAfterMs = 0;
  friend bool operator==(const DrillStep&, const DrillStep&) = default;
};

// The steps of `scheme` from sentence `first` (the whole-recording passes only when the run
// starts at the first sentence): that sentence alone when the scheme listens on after its
// passes, every sentence from it on otherwise. Empty for the plain loop, no sentences, or a
// `first` outside them.
std::vector<DrillStep> planDrill(const RepeatScheme& scheme, const std::vector<Sentence>& sentences, double lengthMs,
                                 int first);

// The steps of `scheme` over all of `sentences` from the first, for a drill exported as a file:
// a scheme that listens on after its passes gives every sentence its passes all the same.
// `lengthMs` 0 leaves out the whole-recording passes.
std::vector<DrillStep> planWholeDrill(const RepeatScheme& scheme, const std::vector<Sentence>& sentences, double lengthMs);

// The sentences a drill is made of, numbered from 1 as the learner counts them.
struct SentenceRange {
  int first = 1;
  int last = 1;
  friend bool operator==(const SentenceRange&, const SentenceRange&) = default;
};

// The range a teacher wrote ("3", or "2-5": digits only, no spaces) within `count`
// sentences; nullopt with `why` saying, in Chinese, what is accepted.
std::optional<SentenceRange> parseSentenceRange(std::string_view text, int count, std::string& why);

// "第 3 句　第 2 遍（共 3 遍）　0.85×", "全文　第 1 遍（共 1 遍）　1.0×".
std::string stepCaption(const DrillStep& step);
// The pause after that step's pass: "第 3 句　第 2 遍后停顿 1.5 秒".
std::string pauseCaption(const DrillStep& step);

// The first step of sentence `sentence` or later in `plan` at or after `from`, or of the
// sentence before when `earlier`; -1 when there is none.
int stepOfNextSentence(const std::vector<DrillStep>& plan, int from, bool earlier);

}  // namespace tessaly
