// SPDX-License-Identifier: GPL-3.0-or-later
#include "align/Align.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessaly::align {

namespace {

constexpr int kSnapFrames = 4;                     // an energy valley is looked for this many hops either side
constexpr float kOverNoiseDb = 5;                  // and this much over its noise floor
constexpr float kSpeechDb = 16;                    // speech is within this of a sentence's loudest hop
constexpr int kPauseFrames = 10;                   // this much quiet at the first unit's start is the lead-in
constexpr float kValleyDb = 3;                     // a valley begins at its first hop this close to its quietest
constexpr int kPhraseBreakFrames = 12;             // this much stillness in an English recording is a pause
constexpr float kStillDb = 2;                      // still: within this of the recording's noise floor
constexpr int kSpokenPauseFrames = 6;              // this much quiet in the synthesis is a pause of its own
constexpr int kBreakBefore = 5, kBreakAfter = 25;  // where a pause is looked for around a word's start

float distance(const Frame& x, const Frame& y) {
  float sum = 0;
  for (int c = 1; c < 2 * kCoefficients; ++c) {  // c0 is loudness: the voices' levels differ
    const float d = x[static_cast<std::size_t>(c)] - y[static_cast<std::size_t>(c)];
    sum += d * d;
  }
  return std::sqrt(sum);
}

// The energy, smoothed over three hops.
std::vector<float> smoothed(const std::vector<float>& db) {
  std::vector<float> out(db.size());
  for (std::size_t i = 0; i < db.size(); ++i) {
    float sum = 0;
    int n = 0;
    for (std::size_t k = i > 0 ? i - 1 : 0; k <= i + 1 && k < db.size(); ++k, ++n) sum += db[k];
    out[i] = sum / static_cast<float>(n);
  }
  return out;
}

// The syllable nuclei: peaks of the smoothed energy at least 6 dB over the valleys either
// side and within 25 dB of the loudest.
std::vector<int> nuclei(const std::vector<float>& energy) {
  std::vector<int> peaks;
  if (energy.empty()) return peaks;
  const float loudest = *std::max_element(energy.begin(), energy.end());
  float valley = energy[0];
  int candidate = -1;
  for (int i = 0; i < static_cast<int>(energy.size()); ++i) {
    const float e = energy[static_cast<std::size_t>(i)];
    if (candidate < 0) {
      valley = std::min(valley, e);
      if (e > valley + 6 && e > loudest - 25) candidate = i;
    } else if (e > energy[static_cast<std::size_t>(candidate)]) {
      candidate = i;
    } else if (e < energy[static_cast<std::size_t>(candidate)] - 6) {
      peaks.push_back(candidate);
      candidate = -1;
      valley = e;
    }
  }
  if (candidate >= 0) peaks.push_back(candidate);
  return peaks;
}

}  // namespace

namespace {

// The warp of frames `a` onto `b` by `cost(i, j)`, within `width` of the diagonal. A step
// along `b` alone on a row `pausable(i)` costs `pause(j)` when that is less: the pause a
// reader makes there, which `a` does not have, is held on the row rather than spread over
// the rows either side.
template <typename Cost, typename Pausable, typename Pause>
std::vector<std::pair<int, int>> warpBy(int n, int m, int width, const Cost& cost, const Pausable& pausable,
                                        const Pause& pause) {
  const float inf = std::numeric_limits<float>::infinity();
  // Row by row within the band: cost and the step that reached each cell.
  std::vector<float> previous(static_cast<std::size_t>(m), inf), current(static_cast<std::size_t>(m), inf);
  std::vector<std::uint8_t> step(static_cast<std::size_t>(n) * static_cast<std::size_t>(m), 0);
  const auto centre = [&](int i) {
    return n > 1 ? static_cast<int>(std::lround(static_cast<double>(i) * (m - 1) / (n - 1))) : 0;
  };
  for (int i = 0; i < n; ++i) {
    std::fill(current.begin(), current.end(), inf);
    const int from = std::max(0, centre(i) - width), to = std::min(m - 1, centre(i) + width);
    const bool held = pausable(i);
    for (int j = from; j <= to; ++j) {
      const float d = cost(i, j);
      float best = i == 0 && j == 0 ? 0 : inf;
      std::uint8_t how = 0;
      if (i > 0 && j > 0 && previous[static_cast<std::size_t>(j - 1)] < best)
        best = previous[static_cast<std::size_t>(j - 1)], how = 1;
      if (i > 0 && previous[static_cast<std::size_t>(j)] < best) best = previous[static_cast<std::size_t>(j)], how = 2;
      if (j > 0 && current[static_cast<std::size_t>(j - 1)] < best)
        best = current[static_cast<std::size_t>(j - 1)], how = 3;
      best += d;
      if (held && j > 0 && current[static_cast<std::size_t>(j - 1)] + pause(j) < best)
        best = current[static_cast<std::size_t>(j - 1)] + pause(j), how = 3;
      current[static_cast<std::size_t>(j)] = best;
      step[static_cast<std::size_t>(i) * static_cast<std::size_t>(m) + static_cast<std::size_t>(j)] = how;
    }
    std::swap(previous, current);
  }
  std::vector<std::pair<int, int>> path;
  for (int i = n - 1, j = m - 1;;) {
    path.emplace_back(i, j);
    const std::uint8_t how = step[static_cast<std::size_t>(i) * static_cast<std::size_t>(m) + static_cast<std::size_t>(j)];
    if (how == 0) break;
    if (how == 1) --i, --j;
    else if (how == 2) --i;
    else --j;
  }
  std::reverse(path.begin(), path.end());
  return path;
}

int widthOf(int n, int m, double band) { return std::max(20, static_cast<int>(band * std::max(n, m))); }

// What the units' warp compares, of one hop: the loudness (c0) against the sentence's own
// mean and spread, so two voices at other levels in other rooms rise and fall alike and a
// syllable, a pause, a closure weigh what they are; the first eight coefficients and how the
// first four change (the higher ones say more of the voice than of the sounds).
constexpr int kCompared = 13;
using Compared = std::array<float, kCompared>;
constexpr float kLoudnessWeight = 31.6f;  // its spread, against the coefficients' own scale

std::vector<Compared> comparedOf(std::vector<Frame>::const_iterator from, std::vector<Frame>::const_iterator to) {
  std::vector<Compared> out;
  if (from >= to) return out;
  double mean = 0, square = 0;
  for (auto f = from; f != to; ++f) mean += (*f)[0], square += (*f)[0] * (*f)[0];
  const double count = static_cast<double>(to - from);
  mean /= count;
  const double spread = std::sqrt(std::max(0.0, square / count - mean * mean)) + 1e-6;
  for (auto f = from; f != to; ++f) {
    Compared c{};
    c[0] = static_cast<float>(((*f)[0] - mean) / spread) * kLoudnessWeight;
    for (int k = 1; k <= 8; ++k) c[static_cast<std::size_t>(k)] = (*f)[static_cast<std::size_t>(k)];
    for (int k = 1; k <= 4; ++k) c[static_cast<std::size_t>(8 + k)] = (*f)[static_cast<std::size_t>(kCoefficients + k)];
    out.push_back(c);
  }
  return out;
}

float comparedDistance(const Compared& x, const Compared& y) {
  float sum = 0;
  for (std::size_t c = 0; c < kCompared; ++c) {
    const float d = x[c] - y[c];
    sum += d * d;
  }
  return std::sqrt(sum);
}

}  // namespace

std::vector<std::pair<int, int>> warpPath(const std::vector<Frame>& a, const std::vector<Frame>& b, double band) {
  const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
  if (n == 0 || m == 0) return {};
  return warpBy(
      n, m, widthOf(n, m, band),
      [&](int i, int j) { return distance(a[static_cast<std::size_t>(i)], b[static_cast<std::size_t>(j)]); },
      [](int) { return false; }, [](int) { return 0.0f; });
}

// The level over which a hop of a sentence is its speech: within kSpeechDb of its loudest,
// and well over its noise floor (the quietest tenth of its hops).
float speechLevel(const std::vector<float>& energy) {
  std::vector<float> sorted = energy;
  std::sort(sorted.begin(), sorted.end());
  const float loudest = sorted.back();  // no noise floor under a level sound
  return std::max(loudest - kSpeechDb, std::min(sorted[sorted.size() / 10] + kOverNoiseDb, loudest - 10));
}

double speechMs(const Features& f) {
  const std::vector<float> energy = smoothed(f.energyDb);
  if (energy.empty()) return 0;
  int from = 0, to = static_cast<int>(energy.size());
  const float speech = speechLevel(energy);
  while (from < to - 1 && energy[static_cast<std::size_t>(from)] < speech) ++from;
  while (to > from + 1 && energy[static_cast<std::size_t>(to - 1)] < speech) --to;
  return (to - from) * static_cast<double>(kHopMs);
}

std::vector<UnitTime> carryUnits(const std::vector<Span>& units, const Features& synthesis, const Features& recording,
                                 bool han) {
  std::vector<UnitTime> out;
  const int n = static_cast<int>(synthesis.mfcc.size());
  const std::vector<float> energy = smoothed(recording.energyDb);
  const int frames = static_cast<int>(energy.size());
  if (units.empty() || n == 0 || frames == 0) return out;
  const auto frameOf = [&](double ms) { return std::clamp(static_cast<int>(std::lround(ms / kHopMs)), 0, n - 1); };
  // Only the speech is warped: the synthesis from its first unit to its last, the recording
  // from its first hop within kSpeechDb of its loudest to its last, so neither's lead-in or
  // tail (a room's echo of the sentence before) pulls the ends.
  const int synthFrom = frameOf(units.front().startMs), synthTo = std::max(synthFrom + 1, frameOf(units.back().endMs));
  const float loudest = *std::max_element(energy.begin(), energy.end());
  int recFrom = 0, recTo = frames;
  const float speech = speechLevel(energy);
  while (recFrom < frames - 1 && energy[static_cast<std::size_t>(recFrom)] < speech) ++recFrom;
  while (recTo > recFrom + 1 && energy[static_cast<std::size_t>(recTo - 1)] < speech) --recTo;
  const std::vector<Compared> a = comparedOf(synthesis.mfcc.begin() + synthFrom, synthesis.mfcc.begin() + synthTo);
  const std::vector<Compared> b = comparedOf(
      recording.mfcc.begin() + recFrom, recording.mfcc.begin() + std::min(recTo, static_cast<int>(recording.mfcc.size())));
  if (a.empty() || b.empty()) return out;
  const int na = static_cast<int>(a.size()), nb = static_cast<int>(b.size());
  // An English reader may pause between any two words, longer than the synthesis does or
  // where it runs on: the warp may hold the last hop of the word before over the recording's
  // quiet, at what it costs to match the recording's own quiet (the mean of its quietest
  // tenth of hops), so the pause stays between the words rather than spread over them.
  std::vector<char> pausable(static_cast<std::size_t>(na), 0);
  Compared silence{};
  if (!han) {
    for (std::size_t u = 1; u < units.size(); ++u)
      if (const int row = frameOf(units[u].startMs) - synthFrom - 1; row >= 0 && row < na)
        pausable[static_cast<std::size_t>(row)] = 1;
    std::vector<std::pair<float, int>> byLevel;
    for (int j = 0; j < nb; ++j) byLevel.emplace_back(b[static_cast<std::size_t>(j)][0], j);
    std::sort(byLevel.begin(), byLevel.end());
    const std::size_t quietest = std::max<std::size_t>(1, byLevel.size() / 10);
    for (std::size_t q = 0; q < quietest; ++q)
      for (std::size_t c = 0; c < kCompared; ++c)
        silence[c] += b[static_cast<std::size_t>(byLevel[q].second)][c] / static_cast<float>(quietest);
  }
  const auto path = warpBy(
      na, nb, widthOf(na, nb, 0.3),
      [&](int i, int j) { return comparedDistance(a[static_cast<std::size_t>(i)], b[static_cast<std::size_t>(j)]); },
      [&](int i) { return pausable[static_cast<std::size_t>(i)] != 0; },
      [&](int j) { return comparedDistance(silence, b[static_cast<std::size_t>(j)]); });
  // For each synthesis frame, the first and the last recording frame it maps to.
  std::vector<int> first(static_cast<std::size_t>(n), -1), last(static_cast<std::size_t>(n), -1);
  for (const auto& [i, j] : path) {
    if (first[static_cast<std::size_t>(i + synthFrom)] < 0) first[static_cast<std::size_t>(i + synthFrom)] = j + recFrom;
    last[static_cast<std::size_t>(i + synthFrom)] = j + recFrom;
  }
  // Frames outside the warped stretch take its ends.
  for (int i = 0; i < n; ++i)
    if (first[static_cast<std::size_t>(i)] < 0) {
      const int edge = i < synthFrom ? recFrom : std::max(recFrom, last[static_cast<std::size_t>(synthTo - 1)]);
      first[static_cast<std::size_t>(i)] = last[static_cast<std::size_t>(i)] = edge;
    }
  // A boundary between two units moves to the quietest hop near it.
  const auto valley = [&](int j) {
    int best = j;
    for (int k = std::max(0, j - kSnapFrames); k <= std::min(frames - 1, j + kSnapFrames); ++k)
      if (energy[static_cast<std::size_t>(k)] < energy[static_cast<std::size_t>(best)]) best = k;
    return best;
  };
  std::vector<int> starts, ends;
  for (std::size_t u = 0; u < units.size(); ++u) {
    starts.push_back(first[static_cast<std::size_t>(frameOf(units[u].startMs))]);
    ends.push_back(last[static_cast<std::size_t>(frameOf(units[u].endMs))]);
  }
  for (std::size_t u = 0; u + 1 < units.size(); ++u) {
    // Units that touch in the synthesis share one boundary in the recording: where the
    // valley near it begins (a word's closure, its first quiet, is the word's).
    if (units[u + 1].startMs - units[u].endMs < 2.0 * kHopMs) {
      const int middle = (ends[u] + starts[u + 1]) / 2;
      int at = valley(middle);
      const float bottom = energy[static_cast<std::size_t>(at)];
      const int reach = std::max(0, middle - kSnapFrames);
      float top = bottom;  // a level sound has no valley to begin
      for (int k = reach; k <= std::min(frames - 1, middle + kSnapFrames); ++k)
        top = std::max(top, energy[static_cast<std::size_t>(k)]);
      while (top > bottom + kValleyDb && at > reach && energy[static_cast<std::size_t>(at - 1)] < bottom + kValleyDb) --at;
      ends[u] = at;
      starts[u + 1] = at;
    }
  }
  // The first unit starts where its sound does, not where the sentence's lead-in does: a
  // start in a stretch of quiet moves on to the first hop over the noise floor.
  std::vector<float> sorted = energy;
  std::sort(sorted.begin(), sorted.end());
  const float floor = std::min(sorted[sorted.size() / 10] + 6, loudest - 10);  // no quiet in a level sound
  const auto quiet = [&](int j) { return j >= 0 && j < frames && energy[static_cast<std::size_t>(j)] < floor; };
  if (!units.empty()) {
    int j = starts[0];
    while (j < ends[0] - 1 && quiet(j)) ++j;
    if (j - starts[0] >= kPauseFrames) starts[0] = j;  // the lead-in, not a quiet consonant
  }
  // An English reader pauses at phrase breaks the synthesis runs through, and the warp
  // spreads such a pause over the words either side of it: a word after a stillness near its
  // start, where the synthesis has none, starts where the stillness ends. (The synthesis of
  // Mandarin pauses between characters as its speaker does, and is left to the warp.)
  if (!han) {
    const float still = std::min(sorted[sorted.size() / 10] + kStillDb, loudest - 10);
    const auto isStill = [&](int j) { return j >= 0 && j < frames && energy[static_cast<std::size_t>(j)] < still; };
    const std::vector<float> spoken = smoothed(synthesis.energyDb);
    std::vector<float> spokenSorted = spoken;
    std::sort(spokenSorted.begin(), spokenSorted.end());
    const float spokenFloor = std::min(spokenSorted[spokenSorted.size() / 10] + 6, spokenSorted.back() - 10);
    const auto spokenPause = [&](int f) {
      int run = 0;
      for (int i = std::max(0, f - 10); i <= std::min(n - 1, f + 2); ++i) {
        run = spoken[static_cast<std::size_t>(i)] < spokenFloor ? run + 1 : 0;
        if (run >= kSpokenPauseFrames) return true;
      }
      return false;
    };
    for (std::size_t u = 0; u + 1 < units.size(); ++u) {
      if (spokenPause(frameOf(units[u + 1].startMs))) continue;
      const int at = starts[u + 1];
      for (int j = std::max(starts[u] + 1, at - kBreakBefore); j <= at + kBreakAfter && j < ends[u + 1] - 2; ++j) {
        if (!isStill(j)) continue;
        int k = j;
        while (k < frames && isStill(k)) ++k;
        if (k - j >= kPhraseBreakFrames && k < ends[u + 1] - 2) {
          starts[u + 1] = k;
          ends[u] = std::min(ends[u], j);
          break;
        }
        j = k;
      }
    }
  }
  if (!units.empty()) {  // and the last ends where its sound does
    std::size_t u = units.size() - 1;
    while (ends[u] > starts[u] + 1 && ends[u] - 1 < frames && energy[static_cast<std::size_t>(ends[u] - 1)] < floor)
      --ends[u];
  }
  const std::vector<int> peaks = han ? nuclei(energy) : std::vector<int>{};
  for (std::size_t u = 0; u < units.size(); ++u) {
    UnitTime t{starts[u] * static_cast<double>(kHopMs), std::max(starts[u] + 1, ends[u]) * static_cast<double>(kHopMs), 1};
    if (han) {
      const auto inside = std::count_if(peaks.begin(), peaks.end(), [&](int p) { return p >= starts[u] && p < ends[u]; });
      if (inside != 1) t.confidence = 0.4f;
    }
    out.push_back(t);
  }
  return out;
}

}  // namespace tessaly::align
