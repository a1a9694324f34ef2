// SPDX-License-Identifier: GPL-3.0-or-later
// Where each unit of a sentence is spoken in the synthesiser's speech of it, from the word
// events the synthesiser reports. The units are spoken apart by spaces, each a word with an
// event of its own. The first unit starts where the sound does, not at the event the
// synthesiser's lead-in comes with; a unit the synthesiser ran into the one before ("in the"
// is one word to it) has no event and gets its share of the stretch to the next one by its
// letters; each unit ends where the next starts, the last where the sound ends. Pure; any
// thread.
#pragma once

#include <string>
#include <vector>

#include "align/Align.h"

namespace tessaly::align {

// The text a sentence's units are spoken as, and where each unit starts in it.
struct SpokenUnits {
  std::string text;            // the units apart by spaces
  std::vector<int> positions;  // each unit's first character in `text`, in code points from 1
};
SpokenUnits spokenUnitsOf(const std::vector<std::string>& units);

// A word as the synthesiser reports it.
struct WordEvent {
  int textPosition = 0;  // its first character in the text spoken, from 1
  double startMs = 0;    // where its sound starts
};

// Below this (of 32767) a synthesised sample is silence.
inline constexpr int kQuietSample = 300;

// The spans of `spoken`'s units in the synthesis of its text, `samples` at `rate` with
// `words` its events; none when nothing was spoken (no samples, no events, only silence).
std::vector<Span> unitSpansOf(const SpokenUnits& spoken, const std::vector<WordEvent>& words,
                              const std::vector<short>& samples, int rate);

}  // namespace tessaly::align
