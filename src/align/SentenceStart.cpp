// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/SentenceStart.h"

#include <algorithm>
#include <cmath>

namespace tessaly::align {

namespace {

constexpr int kSnapAhead = 300;       // hops a start in a pause may move on to its sound
constexpr int kSnapBack = 80;         // hops a start in speech may move back to the pause before it
constexpr int kPauseHops = 9;         // this many quiet hops are a pause
constexpr float kPauseShare = 0.15f;  // quiet: under this share of the way from the floor to the speech
constexpr float kOnsetShare = 0.6f;   // a sound this share of the way down from the loudest to the floor is loud
constexpr int kOnsetHops = 40;        // the sentence's first hops whose pattern is matched
constexpr int kOnsetPause = 10;       // hops before the start that should be quiet
constexpr int kOnsetReach = 30;       // hops the start may move either way

}  // namespace

// The hop near `guess` where the sentence's sound rises out of the pause before it: in a
// pause (the warp stretched the sentence's first frame over it), where the sound comes;
// in speech, where the last pause before it ends (a weak first sound, "h" or "th", is cheaper
// to the warp as part of the pause), but not before `notBefore`.
int snapStart(const std::vector<float>& energy, int guess, int end, int notBefore) {
  const int M = static_cast<int>(energy.size());
  if (M == 0) return guess;
  const auto e = [&](int j) { return energy[static_cast<std::size_t>(std::clamp(j, 0, M - 1))]; };
  std::vector<float> around, inside;
  for (int j = std::max(0, guess - 300); j < std::min(M, guess + 300); ++j) around.push_back(e(j));
  for (int j = std::max(0, guess); j < std::min(M, std::max(guess + 1, end)); ++j) inside.push_back(e(j));
  const float floor = percentile(around, 0.1), peak = percentile(inside, 0.9);
  if (peak - floor < 6) return guess;  // no pause to rise out of
  const float level = floor + kPauseShare * (peak - floor);
  const auto quiet = [&](int j) { return e(j) < level; };
  int onset = -1;
  if (quiet(guess)) {
    for (int j = guess; j <= std::min(end, guess + kSnapAhead) && onset < 0; ++j)
      if (!quiet(j)) onset = j;
  } else {
    int run = 0;
    for (int j = guess - 1; j >= std::max(notBefore, guess - kSnapBack) && onset < 0; --j) {
      run = quiet(j) ? run + 1 : 0;
      if (run >= kPauseHops) onset = j + run;
    }
  }
  if (onset < 0) return guess;
  // Back down the rise to where it leaves the floor.
  const float foot = floor + 0.1f * (peak - floor);
  for (int k = 0; k < 5 && onset > notBefore && e(onset - 1) > foot && e(onset - 1) < e(onset) + 1; ++k) --onset;
  return onset;
}

// Where the sentence's first sounds line up with the recording's near `start`: the synthesis
// says which of its first hops are loud and which weak or silent ("A f|amous", "The p|ostman",
// a "th" before its vowel); the recording says the same of its hops. Loud is within the same
// share of the way from the loudest down to the recording's floor on both sides: noise or a
// music bed under a pause is quiet and a first sound heard over them loud, and in a quiet room
// every sound is loud, so the start is where the sound rises. The start is where the two
// patterns agree best, the pause before it quiet too, and never later than the rise over a
// stretch that is loud on the whole.
int matchOnset(const std::vector<float>& synthesisEnergy, const SentenceFrames& span, const std::vector<float>& energy,
               int start, int end, int notBefore) {
  const int M = static_cast<int>(energy.size()), S = static_cast<int>(synthesisEnergy.size());
  const int from = std::clamp(span.from, 0, S), to = std::clamp(span.to, from, S);
  if (M == 0 || to - from < 10 || end <= start) return start;
  const auto e = [&](int j) { return energy[static_cast<std::size_t>(std::clamp(j, 0, M - 1))]; };
  std::vector<float> around, inside, said(synthesisEnergy.begin() + from, synthesisEnergy.begin() + to);
  for (int j = std::max(0, start - 300); j < std::min(M, start + 300); ++j) around.push_back(e(j));
  for (int j = std::max(0, start); j < std::min(M, end); ++j) inside.push_back(e(j));
  const float floor = percentile(around, 0.1), peak = percentile(inside, 0.9), saidPeak = percentile(said, 0.9);
  const float under = kOnsetShare * (peak - floor);  // loud: within this of the loudest
  if (under < 6) return start;
  const double pace = std::clamp(static_cast<double>(end - start) / (to - from), 0.5, 2.0);
  const int n = std::min(kOnsetHops, to - from);
  int best = start, bestScore = -1;
  for (int c = std::max(notBefore, start - kOnsetReach); c <= start + kOnsetReach; ++c) {
    int score = 0;
    for (int j = c - kOnsetPause; j < c; ++j) score += j < 0 || e(j) < peak - under;  // before the file: silence
    for (int i = 0; i < n; ++i) {
      const bool loudSaid = synthesisEnergy[static_cast<std::size_t>(from + i)] >= saidPeak - under;
      const bool loudHeard = e(c + static_cast<int>(std::lround(i * pace))) >= peak - under;
      score += loudSaid == loudHeard;
    }
    if (score > bestScore || (score == bestScore && std::abs(c - start) < std::abs(best - start)))
      best = c, bestScore = score;
  }
  // Later only over a stretch quieter, on the whole, than the speech: a stretch as loud as
  // it is the sentence's first word ("Aunt| Mary", "Big| Ben", said louder and shorter than
  // the synthesis says it), not music under the pause growing louder before the sentence.
  if (best > start) {
    float sum = 0;
    for (int j = start; j < best; ++j) sum += e(j);
    if (sum / static_cast<float>(best - start) >= peak - under) return start;
  }
  return best;
}

}  // namespace tessaly::align
