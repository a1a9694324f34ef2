// SPDX-License-Identifier: GPL-3.0-or-later
// The reference's tones laid on a sentence's time, to be written above its pitch line: each
// Han character with its reading where it stands (check/Readings.h), over its span when the
// units' times are known, else placed evenly along the sentence. Pure; any thread.
#pragma once

#include <string>
#include <vector>

#include "align/Align.h"
#include "check/Readings.h"

namespace tessaly::pitch {

struct ToneMark {
  std::string character, pinyin;  // "气", "qì"
  int tone = 5;                   // 1 to 4, 5 for the neutral tone; 0 when the table does not know it
  double startMs = 0, endMs = 0;  // from the sentence's start
  bool timed = false;             // false: only placed, the characters' times are not known
  int unit = 0;                   // among the text's units, as the check counts them
};

// `units`: where each unit of `text` is spoken, from the sentence's start (empty, or not one a
// unit: not known); `lengthMs`: the sentence's.
std::vector<ToneMark> toneMarks(const std::string& text, const ReadingTable& readings,
                                const std::vector<align::Span>& units, double lengthMs);

}  // namespace tessaly::pitch
