// SPDX-License-Identifier: GPL-3.0-or-later
// Where a found sentence's sound starts in the recording: the hop where it rises out of the
// pause before it, then where its first sounds, loud and weak, line up with the synthesis's
// (a first sound hidden under noise, a weak one before a stop, a music bed rising before it).
// Pure; any thread.
#pragma once

#include <vector>

#include "align/LongAlign.h"

namespace tessaly::align {

// The hop near `guess` where the sentence's sound rises out of the pause before it: in a
// pause (the warp stretched the sentence's first frame over it), where the sound comes;
// in speech, where the last pause before it ends (a weak first sound, "h" or "th", is cheaper
// to the warp as part of the pause), but not before `notBefore`.
int snapStart(const std::vector<float>& energy, int guess, int end, int notBefore);

// Where the sentence's first sounds, loud and weak as the synthesis `span` has them, line up
// best with the recording's near `start`, not before `notBefore`, and not later over a
// stretch as loud as the speech (that is its first word).
int matchOnset(const std::vector<float>& synthesisEnergy, const SentenceFrames& span, const std::vector<float>& energy,
               int start, int end, int notBefore);

}  // namespace tessaly::align
