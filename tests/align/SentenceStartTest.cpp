// SPDX-License-Identifier: GPL-3.0-or-later
// Where a found sentence's start is put once the warp has found it: its first sounds, loud and
// weak as the synthesis has them, lined up with the recording's (energy contours in dB, a hop
// each, made to the shapes met in lessons).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "align/SentenceStart.h"

namespace tessaly::align {
namespace {

// Runs of (hops, dB), one after another.
std::vector<float> contour(const std::vector<std::pair<int, float>>& runs) {
  std::vector<float> out;
  for (const auto& [hops, db] : runs) out.insert(out.end(), static_cast<std::size_t>(hops), db);
  return out;
}

TEST(MatchOnset, PutsTheStartWhereTheFirstSoundsLineUp) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, float>> said, heard;
    int start, end, notBefore, expected, within;
  };
  const Case cases[] = {
      // "A f|amous" under noise: the "A" is heard, the "f" after it is not, so the rise out
      // of the noise is the vowel's.
      {"a first sound heard before one hidden",
       {{8, -2}, {11, -24}, {40, 0}},
       {{100, -20}, {5, -6}, {10, -20}, {60, 0}},
       115,
       159,
       0,
       100,
       3},
      // A "th" under the noise: the start is as far before the rise as the synthesis's "th" lasts.
      {"a first sound hidden under noise", {{6, -25}, {50, 0}}, {{100, -20}, {60, 0}}, 100, 160, 0, 94, 1},
      // Music under the pause grows louder before the sentence: its rise is not the start.
      {"a music bed rising before the sentence",
       {{5, -25}, {50, 0}},
       {{100, -30}, {21, -20}, {60, 0}},
       100,
       176,
       0,
       116,
       3},
      // In a quiet room a weak first sound is heard: the rise out of the silence is the start,
      // whatever the synthesis's first syllables are like.
      {"a weak first sound in a quiet room",
       {{6, -25}, {8, -2}, {11, -40}, {40, 0}},
       {{100, -90}, {60, 0}},
       100,
       160,
       0,
       100,
       0},
      {"a loud first sound stays where it rises", {{50, 0}}, {{100, -30}, {60, 0}}, 100, 150, 0, 100, 0},
      // Nothing before the file's first hop: it is silence, not a first sound too loud for a pause.
      {"a sentence from the file's first hop", {{40, 0}}, {{10, 0}, {3, -90}, {60, 0}, {40, -90}}, 0, 40, 0, 0, 0},
      {"never before the sentence before ends", {{6, -25}, {50, 0}}, {{100, -20}, {60, 0}}, 100, 160, 97, 97, 0},
      {"no pause to rise out of", {{6, -25}, {50, 0}}, {{160, 0}}, 100, 160, 0, 100, 0},
      // "Aunt| Mary", "Big| Ben": the reader's first word is loud and short, then a stop,
      // where the synthesis's first sound is weak; the pattern lines up best after the stop,
      // but a stretch as loud as the speech is no pause: the start stays where it rises.
      {"a loud first word before a stop",
       {{8, -25}, {40, 0}},
       {{100, -30}, {14, 0}, {10, -30}, {60, 0}},
       100,
       148,
       0,
       100,
       0},
  };
  for (const Case& c : cases) {
    const std::vector<float> said = contour(c.said), heard = contour(c.heard);
    const SentenceFrames span{0, static_cast<int>(said.size())};
    EXPECT_NEAR(matchOnset(said, span, heard, c.start, c.end, c.notBefore), c.expected, c.within) << c.what;
  }
}

}  // namespace
}  // namespace tessaly::align
