// SPDX-License-Identifier: GPL-3.0-or-later
// Where a found sentence's sound starts in the recording: the hop where it rises out of the
// pause before it, and how far before that a first sound too weak to rise out of the
// recording's floor begins. Pure; any thread.
#pragma once

#include <vector>

#include "align/LongAlign.h"

namespace tessaly::align {

// The hop near `guess` where the sentence's sound rises out of the pause before it: in a
// pause (the warp stretched the sentence's first frame over it), where the sound comes;
// in speech, where the last pause before it ends (a weak first sound, "h" or "th", is cheaper
// to the warp as part of the pause), but not before `notBefore`.
int snapStart(const std::vector<float>& energy, int guess, int end, int notBefore);

// How many hops before `start` the sentence `span` of the synthesis truly begins, where its
// first sound is too weak to rise out of the recording's floor.
int hiddenLead(const std::vector<float>& synthesisEnergy, const SentenceFrames& span, const std::vector<float>& energy,
               int start, int end);

}  // namespace tessaly::align
