// SPDX-License-Identifier: GPL-3.0-or-later
// Speech synthesis by libespeak-ng, for the word lists' lessons and the aligner's reference
// renderings: a text spoken in a voice ("cmn-latn-pinyin" reads Han characters as Mandarin,
// "en-us"), as 16-bit mono samples with the time each word starts. libespeak-ng's state is
// the process's: every call takes one lock, so any thread may speak, one at a time.
#pragma once

#include <string>
#include <vector>

namespace tessaly::audio {

struct SpokenWord {
  int textPosition = 0;  // the word's first character in the text, from 1
  double startMs = 0;    // where its sound starts in the samples
};

struct Spoken {
  int sampleRate = 0;  // 0: the synthesiser could not start, or has no such voice
  std::vector<short> samples;
  std::vector<SpokenWord> words;
};

// `text` in `voice` at `wordsPerMinute`, `pitch` and `pitchRange` (0–100; a range of 0 is a
// monotone), silence before and after kept as the synthesiser makes it.
Spoken speak(const std::string& text, const std::string& voice, int wordsPerMinute = 175, int pitch = 50,
             int pitchRange = 50);

}  // namespace tessaly::audio
